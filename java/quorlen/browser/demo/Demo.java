package quorlen.browser.demo;

import java.io.ByteArrayInputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.Key;
import java.security.KeyStore;
import java.security.PrivateKey;
import java.security.cert.Certificate;
import java.security.interfaces.RSAPrivateKey;
import java.security.interfaces.RSAPublicKey;
import java.util.Arrays;
import java.util.Collections;
import quorlen.browser.IECertificateInterface;

/**
 * The library's main job, start to end, on the personal store of the current HOME: import a
 * packet, list, fetch, sign with each algorithm and verify, export and reopen. Prints each step
 * and fails loudly, with exit code 1, at the first check that does not hold.
 */
public final class Demo {
  private Demo() {}

  public static void main(String[] args) throws Exception {
    if (args.length != 2) {
      System.err.println("usage: Demo PACKET PASSWORD");
      System.exit(2);
    }
    byte[] packet = Files.readAllBytes(Path.of(args[0]));
    char[] password = args[1].toCharArray();
    KeyStore original = open(packet, password);
    String alias = Collections.list(original.aliases()).get(0);
    Certificate expected = original.getCertificate(alias);
    IECertificateInterface store = new IECertificateInterface();

    step("import the packet");
    store.importPKCS12(packet, password);
    done("imported " + packet.length + " bytes");

    step("list the valid personal certificates");
    String[] dns = store.listDNS();
    for (String dn : dns) {
      done(printable(dn));
    }
    check(dns.length == 1, "one certificate is listed");
    String dn = dns[0];
    check(dn.endsWith("\u0000"), "the DN ends with U+0000");

    step("fetch the certificate by its DN");
    byte[] fetched = store.getCertificate(dn);
    check(Arrays.equals(fetched, expected.getEncoded()), "the bytes are the imported certificate's");
    done(fetched.length + " bytes, the same as in the packet");

    byte[] data = "The quick brown fox jumps over the lazy dog".getBytes(StandardCharsets.UTF_8);
    for (String algorithm : new String[] {"MD4", "MD5", "SHA1"}) {
      step("sign with " + algorithm);
      byte[] signature = store.signData(dn, data, algorithm);
      check(
          SignatureCheck.verifies(expected.getPublicKey(), data, algorithm, signature),
          "the " + algorithm + " signature verifies");
      done(signature.length + "-byte signature verifies with the certificate's public key");
    }

    step("export the certificate and its key");
    char[] exportPassword = "another password".toCharArray();
    byte[] exported = store.getPKCS12(dn, exportPassword);
    KeyStore reopened = open(exported, exportPassword);
    String exportedAlias = Collections.list(reopened.aliases()).get(0);
    Key key = reopened.getKey(exportedAlias, exportPassword);
    check(
        reopened.getCertificate(exportedAlias).equals(expected),
        "the packet holds the certificate");
    check(key instanceof PrivateKey, "the packet holds a private key");
    check(
        ((RSAPrivateKey) key)
            .getModulus()
            .equals(((RSAPublicKey) expected.getPublicKey()).getModulus()),
        "the key belongs to the certificate");
    done(exported.length + " bytes, reopened with the password");

    System.out.println("\nall steps passed");
  }

  private static KeyStore open(byte[] packet, char[] password) throws Exception {
    KeyStore keys = KeyStore.getInstance("PKCS12");
    keys.load(new ByteArrayInputStream(packet), password);
    return keys;
  }

  private static String printable(String dn) {
    return dn.replace("\u0000", "\\u0000");
  }

  private static void step(String what) {
    System.out.println("\n== " + what);
  }

  private static void done(String what) {
    System.out.println("   " + what);
  }

  private static void check(boolean holds, String what) {
    if (!holds) {
      System.out.println("   FAILED: " + what);
      System.exit(1);
    }
  }
}
