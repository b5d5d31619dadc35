package quorlen.browser.tool;

import java.io.Console;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Base64;
import quorlen.browser.IECertificateInterface;
import quorlen.browser.demo.SignatureCheck;

/**
 * The personal certificate store from the command line:
 *
 * <pre>
 * java -jar varomel.jar list | cert DN | sign DN ALG FILE | export DN FILE | import FILE
 * </pre>
 *
 * A password is read from the environment variable {@value #PASSWORD_VARIABLE} or else from the
 * console, never from the command line, where other users could see it.
 */
public final class CertificateTool {
  static final String PASSWORD_VARIABLE = "VAROMEL_PASSWORD";

  static final int OK = 0;
  static final int NOT_FOUND = 1;
  static final int USAGE = 2;
  static final int FAILED = 3;

  private static final String HELP =
      String.join(
          "\n",
          "usage: java -jar varomel.jar COMMAND",
          "",
          "  list                  the DNs of the valid personal certificates, one a line",
          "  cert DN               the certificate with that DN, as PEM",
          "  sign DN ALG FILE      the file signed with that certificate's key; ALG is MD4,",
          "                        SHA1 or MD5; the signature, in PKCS #1 byte order, as base64",
          "  export DN FILE        the certificate and its key into FILE, a PKCS#12 packet",
          "  import FILE           the certificates and keys of a PKCS#12 packet into the store",
          "",
          "export and import read the password from $" + PASSWORD_VARIABLE + " or the console.",
          "Exit codes: 0 done, 1 no valid certificate has the DN, 2 usage, 3 failure.");

  private CertificateTool() {}

  public static void main(String[] args) {
    System.exit(run(args, System.out, System.err));
  }

  static int run(String[] args, PrintStream out, PrintStream err) {
    if (args.length == 0 || args[0].equals("--help") || args[0].equals("-h")) {
      (args.length == 0 ? err : out).println(HELP);
      return args.length == 0 ? USAGE : OK;
    }
    try {
      IECertificateInterface store = new IECertificateInterface();
      switch (command(args)) {
        case "list":
          for (String dn : store.listDNS()) {
            out.println(withoutTerminator(dn));
          }
          return OK;
        case "cert":
          return printPem(store.getCertificate(args[1]), args[1], out, err);
        case "sign":
          return sign(store, args[1], args[2], Path.of(args[3]), out, err);
        case "export":
          return export(store, args[1], Path.of(args[2]), err);
        case "import":
          return importPacket(store, Path.of(args[1]), out);
        default:
          err.println(HELP);
          return USAGE;
      }
    } catch (NoSuchFileException missing) {
      err.println("no such file: " + missing.getFile());
      return FAILED;
    } catch (IOException | RuntimeException failure) {
      err.println("failed: " + String.valueOf(failure.getMessage()).strip());
      return FAILED;
    }
  }

  /** The command when it has its arguments, else "" for a usage error. */
  private static String command(String[] args) {
    switch (args[0]) {
      case "list":
        return args.length == 1 ? args[0] : "";
      case "cert":
      case "import":
        return args.length == 2 ? args[0] : "";
      case "export":
        return args.length == 3 ? args[0] : "";
      case "sign":
        return args.length == 4 ? args[0] : "";
      default:
        return "";
    }
  }

  private static String withoutTerminator(String dn) {
    return dn.endsWith("\u0000") ? dn.substring(0, dn.length() - 1) : dn;
  }

  private static boolean found(PrintStream err, String dn, byte[] result) {
    if (result == null) {
      err.println("no valid personal certificate has the DN: " + dn);
    }
    return result != null;
  }

  private static int printPem(byte[] certificate, String dn, PrintStream out, PrintStream err) {
    if (!found(err, dn, certificate)) {
      return NOT_FOUND;
    }
    out.println("-----BEGIN CERTIFICATE-----");
    out.println(Base64.getMimeEncoder(64, new byte[] {'\n'}).encodeToString(certificate));
    out.println("-----END CERTIFICATE-----");
    return OK;
  }

  private static int sign(
      IECertificateInterface store, String dn, String algorithm, Path file, PrintStream out,
      PrintStream err)
      throws IOException {
    byte[] signature = store.signData(dn, Files.readAllBytes(file), algorithm);
    if (!found(err, dn, signature)) {
      return NOT_FOUND;
    }
    out.println(Base64.getEncoder().encodeToString(SignatureCheck.reversed(signature)));
    return OK;
  }

  private static int export(IECertificateInterface store, String dn, Path file, PrintStream err)
      throws IOException {
    char[] password = password("Password to protect the packet: ");
    try {
      byte[] packet = store.getPKCS12(dn, password);
      if (!found(err, dn, packet)) {
        return NOT_FOUND;
      }
      Files.write(file, packet);
      return OK;
    } finally {
      Arrays.fill(password, '\0');
    }
  }

  private static int importPacket(IECertificateInterface store, Path file, PrintStream out)
      throws IOException {
    byte[] packet = Files.readAllBytes(file);
    char[] password = password("Password of the packet: ");
    try {
      store.importPKCS12(packet, password);
      out.println("imported " + file);
      return OK;
    } finally {
      Arrays.fill(password, '\0');
    }
  }

  private static char[] password(String prompt) throws IOException {
    String fromEnvironment = System.getenv(PASSWORD_VARIABLE);
    if (fromEnvironment != null) {
      return fromEnvironment.toCharArray();
    }
    Console console = System.console();
    if (console == null) {
      throw new IOException("no console to read the password from; set " + PASSWORD_VARIABLE);
    }
    char[] typed = console.readPassword(prompt);
    if (typed == null) {
      throw new IOException("no password given");
    }
    return typed;
  }
}
