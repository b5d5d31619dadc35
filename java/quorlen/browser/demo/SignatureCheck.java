package quorlen.browser.demo;

import java.security.GeneralSecurityException;
import java.security.PublicKey;
import java.security.Signature;
import java.util.Arrays;
import javax.crypto.Cipher;

/**
 * Checks a signature from {@code signData} with the JDK's own verifiers. The library hands the
 * signature out least significant byte first, so it is reversed here first.
 */
public final class SignatureCheck {
  // The DER DigestInfo prefix of an MD4 hash: SEQUENCE { SEQUENCE { OID 1.2.840.113549.2.4,
  // NULL }, OCTET STRING (16 bytes) }.
  private static final byte[] MD4_DIGEST_INFO = {
    0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, (byte) 0x86, 0x48, (byte) 0x86, (byte) 0xf7, 0x0d,
    0x02, 0x04, 0x05, 0x00, 0x04, 0x10
  };

  private SignatureCheck() {}

  /** Whether signature, as signData returned it, is the signature of data under algorithm. */
  public static boolean verifies(
      PublicKey key, byte[] data, String algorithm, byte[] signature)
      throws GeneralSecurityException {
    byte[] pkcs1 = reversed(signature);
    if (algorithm.equals("MD4")) {
      return Arrays.equals(recoverDigestInfo(key, pkcs1), md4DigestInfo(data));
    }
    Signature verifier = Signature.getInstance(algorithm.equals("SHA1") ? "SHA1withRSA" : "MD5withRSA");
    verifier.initVerify(key);
    verifier.update(data);
    return verifier.verify(pkcs1);
  }

  /** The DigestInfo a PKCS #1 v1.5 signature carries, by the public key operation. */
  public static byte[] recoverDigestInfo(PublicKey key, byte[] pkcs1Signature)
      throws GeneralSecurityException {
    Cipher rsa = Cipher.getInstance("RSA/ECB/PKCS1Padding");
    rsa.init(Cipher.DECRYPT_MODE, key);
    return rsa.doFinal(pkcs1Signature);
  }

  public static byte[] md4DigestInfo(byte[] data) {
    byte[] digest = Md4.digest(data);
    byte[] info = Arrays.copyOf(MD4_DIGEST_INFO, MD4_DIGEST_INFO.length + digest.length);
    System.arraycopy(digest, 0, info, MD4_DIGEST_INFO.length, digest.length);
    return info;
  }

  public static byte[] reversed(byte[] bytes) {
    byte[] copy = new byte[bytes.length];
    for (int i = 0; i < bytes.length; i++) {
      copy[i] = bytes[bytes.length - 1 - i];
    }
    return copy;
  }
}
