package quorlen.browser;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * Calls each of the five methods once in a JVM whose HOME the caller has damaged, and prints
 * what each threw. The four that open the store must throw an IOException with the expected
 * message; importPKCS12, which hands the packet to the platform first, its own "Windows threw
 * exception: " with the platform's text. Exits 1 otherwise.
 * Usage: DamagedEnvironmentCheck PACKET PASSWORD EXPECTED_MESSAGE
 */
public final class DamagedEnvironmentCheck {
  private static final String IMPORT_REFUSAL = "Windows threw exception: ";

  private interface Call {
    void run(IECertificateInterface store) throws IOException;
  }

  public static void main(String[] arguments) throws Exception {
    byte[] packet = Files.readAllBytes(Path.of(arguments[0]));
    char[] password = arguments[1].toCharArray();
    String expected = arguments[2].replace("\\n", "\n");
    String dn = "C=US, CN=Nobody\u0000";
    List<Call> calls = new ArrayList<>();
    calls.add(store -> store.listDNS());
    calls.add(store -> store.getCertificate(dn));
    calls.add(store -> store.signData(dn, new byte[] {1, 2, 3}, "SHA1"));
    calls.add(store -> store.getPKCS12(dn, password));
    calls.add(store -> store.importPKCS12(packet, password));
    String[] names = {"listDNS", "getCertificate", "signData", "getPKCS12", "importPKCS12"};
    IECertificateInterface store = new IECertificateInterface();
    boolean allRefused = true;
    for (int i = 0; i < calls.size(); i++) {
      boolean importing = names[i].equals("importPKCS12");
      allRefused &=
          refusedAsExpected(names[i], calls.get(i), store, importing ? IMPORT_REFUSAL : expected);
    }
    System.exit(allRefused ? 0 : 1);
  }

  private static boolean refusedAsExpected(
      String name, Call call, IECertificateInterface store, String expectedStart) {
    try {
      call.run(store);
      System.out.println(name + ": returned");
      return false;
    } catch (IOException thrown) {
      System.out.println(name + ": IOException " + thrown.getMessage().replace("\n", "\\n"));
      return expectedStart.equals(IMPORT_REFUSAL)
          ? thrown.getMessage().startsWith(IMPORT_REFUSAL)
          : thrown.getMessage().equals(expectedStart);
    }
  }

  private DamagedEnvironmentCheck() {}
}
