package quorlen.browser;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import quorlen.browser.tool.CertificateToolAccess;

/** The command-line tool's answers and exit codes, on an empty store. */
class CommandLineTest {
  private final ByteArrayOutputStream out = new ByteArrayOutputStream();
  private final ByteArrayOutputStream err = new ByteArrayOutputStream();

  private int run(String... args) {
    return CertificateToolAccess.run(args, new PrintStream(out, true, StandardCharsets.UTF_8),
        new PrintStream(err, true, StandardCharsets.UTF_8));
  }

  private String errors() {
    return err.toString(StandardCharsets.UTF_8);
  }

  @Test
  void helpIsAnswered() {
    assertEquals(0, run("--help"));
    assertTrue(out.toString(StandardCharsets.UTF_8).contains("usage: java -jar varomel.jar"));
  }

  @Test
  void aWrongCommandLineIsAUsageError() {
    for (String[] args : new String[][] {{}, {"frobnicate"}, {"cert"}, {"sign", "CN=A", "SHA1"},
             {"list", "extra"}}) {
      assertEquals(2, run(args), String.join(" ", args));
    }
  }

  @Test
  void anEmptyStoreListsNothingAndFindsNothing(@TempDir Path scratch) throws Exception {
    assertEquals(0, run("list"));
    assertEquals("", out.toString(StandardCharsets.UTF_8));
    assertEquals(1, run("cert", "CN=Nobody"));
    assertTrue(errors().contains("no valid personal certificate has the DN: CN=Nobody"));
    Path data = new Packets(scratch).file("data", new byte[] {1});
    assertEquals(1, run("sign", "CN=Nobody", "SHA1", data.toString()));
  }

  @Test
  void aMissingFileIsAFailureNamingIt() {
    assertEquals(3, run("import", "/nonexistent/packet.p12"));
    assertTrue(errors().contains("no such file: /nonexistent/packet.p12"), errors());
  }

  @Test
  void aPasswordIsNeverTakenFromTheCommandLine(@TempDir Path scratch) throws Exception {
    Path packet = new Packets(scratch).file("packet.p12", new byte[] {0x30, 0x00});
    // No console under the test runner and no password in the environment.
    assertEquals(3, run("import", packet.toString()));
    assertTrue(errors().contains("set VAROMEL_PASSWORD"), errors());
  }
}
