package quorlen.browser;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.KeyStore;
import java.security.cert.X509Certificate;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/** Real PKCS#12 packets, made by openssl, keytool and pk12util in a scratch folder. */
final class Packets {
  /** A packet, its password and the certificate it holds. */
  static final class Packet {
    final byte[] bytes;
    final char[] password;
    final X509Certificate certificate;

    Packet(byte[] bytes, String password) throws Exception {
      this.bytes = bytes;
      this.password = password.toCharArray();
      KeyStore keys = KeyStore.getInstance("PKCS12");
      keys.load(new ByteArrayInputStream(bytes), this.password);
      this.certificate =
          (X509Certificate) keys.getCertificate(Collections.list(keys.aliases()).get(0));
    }
  }

  private final Path folder;
  private int made;

  Packets(Path folder) {
    this.folder = folder;
  }

  /** openssl req -subj form, e.g. "/C=US/CN=Jane Doe"; legacy for the old RC2/3DES protection. */
  Packet openssl(String subject, String password, boolean legacy) throws Exception {
    Path dir = fresh();
    run(dir, "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem",
        "-out", "cert.pem", "-days", "30", "-subj", subject);
    List<String> export = new ArrayList<>(List.of("openssl", "pkcs12", "-export", "-inkey",
        "key.pem", "-in", "cert.pem", "-out", "packet.p12", "-passout", "pass:" + password));
    if (legacy) {
      export.add("-legacy");
    }
    run(dir, export.toArray(new String[0]));
    return new Packet(Files.readAllBytes(dir.resolve("packet.p12")), password);
  }

  /** keytool -dname form; startDate as keytool takes it ("2000/01/01 00:00:00", "+1y") or null. */
  Packet keytool(String dname, String password, String startDate, int validityDays)
      throws Exception {
    Path dir = fresh();
    List<String> command = new ArrayList<>(List.of("keytool", "-genkeypair", "-keystore",
        "packet.p12", "-storetype", "PKCS12", "-storepass", password, "-keypass", password,
        "-alias", "key", "-dname", dname, "-keyalg", "RSA", "-keysize", "2048", "-validity",
        Integer.toString(validityDays)));
    if (startDate != null) {
      command.add("-startdate");
      command.add(startDate);
    }
    run(dir, command.toArray(new String[0]));
    return new Packet(Files.readAllBytes(dir.resolve("packet.p12")), password);
  }

  /** A self-signed certificate made in a scratch NSS database and exported by pk12util. */
  Packet pk12util(String subject, String password) throws Exception {
    Path dir = fresh();
    Files.write(dir.resolve("noise"), new byte[] {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
    String db = "sql:" + dir.resolve("db");
    Files.createDirectory(dir.resolve("db"));
    run(dir, "certutil", "-N", "-d", db, "--empty-password");
    run(dir, "certutil", "-S", "-d", db, "-n", "nss", "-s", subject, "-x", "-t", "u,u,u", "-k",
        "rsa", "-g", "2048", "-v", "12", "-z", "noise");
    run(dir, "pk12util", "-o", "packet.p12", "-n", "nss", "-d", db, "-W", password);
    return new Packet(Files.readAllBytes(dir.resolve("packet.p12")), password);
  }

  Path file(String name, byte[] bytes) throws IOException {
    Path path = fresh().resolve(name);
    Files.write(path, bytes);
    return path;
  }

  /** Runs a tool in dir and gives its output; the test fails when the tool fails. */
  static String run(Path dir, String... command) throws Exception {
    Process process =
        new ProcessBuilder(command).directory(dir.toFile()).redirectErrorStream(true).start();
    String output = new String(process.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
    assertEquals(0, process.waitFor(), String.join(" ", command) + "\n" + output);
    return output;
  }

  /** The nicknames certutil lists in the current user's database, seen from outside. */
  static String certutilListing() throws Exception {
    Path home = Path.of(System.getenv("HOME"));
    return run(home, "certutil", "-L", "-d", "sql:" + home.resolve(".pki/nssdb"));
  }

  private Path fresh() throws IOException {
    return Files.createDirectories(folder.resolve("made-" + made++));
  }
}
