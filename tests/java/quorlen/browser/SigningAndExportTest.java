package quorlen.browser;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayInputStream;
import java.nio.file.Path;
import java.security.Key;
import java.security.KeyStore;
import java.security.interfaces.RSAPrivateKey;
import java.security.interfaces.RSAPublicKey;
import java.util.Collections;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;
import quorlen.browser.demo.SignatureCheck;

/** Signatures and exported packets, each checked by an independent verifier. */
class SigningAndExportTest {
  static final String DN = "O=Example, CN=Signer";
  static final IECertificateInterface store = new IECertificateInterface();
  static Packets.Packet signer;
  static Path scratch;

  @BeforeAll
  static void importTheSigner(@TempDir Path folder) throws Exception {
    scratch = folder;
    signer = new Packets(folder).openssl("/O=Example/CN=Signer", "signer", false);
    store.importPKCS12(signer.bytes, signer.password);
  }

  @ParameterizedTest
  @CsvSource({"MD4,MD4", "MD5,MD5", "SHA1,SHA1", "sha1,MD5", "SHA-1,MD5", "'',MD5"})
  void signsWithTheNamedHashLeastSignificantByteFirst(String name, String used) throws Exception {
    for (byte[] data : new byte[][] {{}, "some data to sign".getBytes("UTF-8")}) {
      byte[] signature = store.signData(DN + "\u0000", data, name);
      assertEquals(256, signature.length);
      assertTrue(SignatureCheck.verifies(signer.certificate.getPublicKey(), data, used, signature),
          name + " signs with " + used);
    }
  }

  @Test
  void aDnWithoutAValidCertificateSignsNothing() throws Exception {
    assertNull(store.signData("CN=Signer", new byte[] {1}, "SHA1"));
  }

  @Test
  void theExportedPacketHoldsTheCertificateAndItsKeyForEveryReader() throws Exception {
    char[] password = "export password".toCharArray();
    byte[] packet = store.getPKCS12(DN, password);
    KeyStore keys = KeyStore.getInstance("PKCS12");
    keys.load(new ByteArrayInputStream(packet), password);
    String alias = Collections.list(keys.aliases()).get(0);
    assertEquals(signer.certificate, keys.getCertificate(alias));
    Key key = keys.getKey(alias, password);
    assertEquals(((RSAPublicKey) signer.certificate.getPublicKey()).getModulus(),
        ((RSAPrivateKey) key).getModulus());

    Path file = new Packets(scratch).file("exported.p12", packet);
    Packets.run(scratch, "openssl", "pkcs12", "-in", file.toString(), "-passin",
        "pass:export password", "-noout");
    Packets.run(scratch, "pk12util", "-l", file.toString(), "-W", "export password");
    assertThrows(Exception.class,
        () -> KeyStore.getInstance("PKCS12").load(new ByteArrayInputStream(packet),
            "wrong".toCharArray()));
  }

  @Test
  void anEmptyPasswordProtectsWithTheEmptyText() throws Exception {
    byte[] packet = store.getPKCS12(DN, new char[0]);
    KeyStore keys = KeyStore.getInstance("PKCS12");
    keys.load(new ByteArrayInputStream(packet), new char[0]);
    assertEquals(signer.certificate, keys.getCertificate(Collections.list(keys.aliases()).get(0)));
  }

  @Test
  void importingTheSamePacketAgainReplacesTheCertificate() throws Exception {
    store.importPKCS12(signer.bytes, signer.password);
    assertArrayEquals(new String[] {DN + "\u0000"}, store.listDNS());
  }
}
