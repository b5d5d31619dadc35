package quorlen.browser;

import java.io.File;
import java.io.IOException;
import java.net.URISyntaxException;
import java.security.CodeSource;

/**
 * The current user's personal certificate store ("MY"), reached through the native library
 * {@code Varomel}.
 *
 * <p>Every call opens the store, does its work and closes it again; nothing is kept between
 * calls, and any thread may call any method at any time. A DN names a certificate by its subject
 * in the platform's X.500 text form, exactly as {@link #listDNS()} returns it; only certificates
 * valid at the moment of the call are listed or selected. Every failure is thrown: a {@link
 * IOException} with a fixed English message, or the exception the virtual machine itself
 * raised (an {@link OutOfMemoryError}, for instance). Passing {@code null} for any argument throws
 * a {@link NullPointerException} whose message is the parameter's name.
 */
public class IECertificateInterface {
  static {
    loadNativeLibrary();
  }

  /**
   * Loads {@code Varomel} from {@code java.library.path}, or else the copy that lies beside the
   * jar this class came from, so that {@code java -jar} needs no options.
   */
  private static void loadNativeLibrary() {
    try {
      System.loadLibrary("Varomel");
    } catch (UnsatisfiedLinkError notOnPath) {
      File beside = besideCodeSource(System.mapLibraryName("Varomel"));
      if (beside == null || !beside.isFile()) {
        throw notOnPath;
      }
      System.load(beside.getAbsolutePath());
    }
  }

  private static File besideCodeSource(String fileName) {
    CodeSource source = IECertificateInterface.class.getProtectionDomain().getCodeSource();
    if (source == null) {
      return null;
    }
    try {
      return new File(new File(source.getLocation().toURI()).getParentFile(), fileName);
    } catch (URISyntaxException | IllegalArgumentException notAFile) {
      return null;
    }
  }

  /**
   * The subject DNs of the personal certificates valid now, one element per certificate, in the
   * store's order; a DN appears twice when two certificates have it.
   *
   * <p>Each element ends with one {@code '\u0000'} character, which is part of the DN as this
   * library hands it out: pass the element back unchanged (or without that last character) to
   * {@link #getCertificate}, {@link #signData} or {@link #getPKCS12}.
   *
   * @return the DNs; an empty array when no certificate is valid now
   * @throws IOException "The system store did not open.\n", "Don't understand certificate
   *     encoding!", "Could not convert the current time.", "Unable to close the system
   *     store.\n" or "A problem Occured while trying to find a list of DNs"
   */
  public native String[] listDNS() throws IOException;

  /**
   * The encoded (DER) bytes of the certificate valid now whose DN equals {@code dn} exactly:
   * letter case, blanks and the order of the parts all count; the text ends at its first {@code
   * '\u0000'}. When several certificates match, the last one in the store's order is returned.
   *
   * @return the certificate's bytes, or {@code null} when no certificate valid now has the DN
   * @throws IOException with a fixed message when the store cannot be read
   */
  public native byte[] getCertificate(String dn) throws IOException;

  /**
   * Signs {@code data} with the private key of the certificate valid now whose DN equals {@code
   * dn}, using PKCS #1 v1.5 over the hash named by {@code algorithm}: exactly "MD4" or "SHA1"
   * select those, any other text selects MD5.
   *
   * <p>The signature is in the byte order of the Windows signing service: least significant byte
   * first, the reverse of PKCS #1. Reverse it before verifying with {@link java.security.Signature}.
   * When several certificates match, each signs and the last signature is returned.
   *
   * @return the signature, or {@code null} when no certificate valid now has the DN
   * @throws IOException "Could not find private key" when the certificate has no key, or
   *     another fixed message of the signing step that failed
   */
  public native byte[] signData(String dn, byte[] data, String algorithm)
      throws IOException;

  /**
   * The certificate valid now whose DN equals {@code dn}, with its private key, as a PKCS#12
   * packet protected by {@code password}. The password ends at its first {@code '\u0000'}; an
   * empty array gives the empty password. The array is not changed; the library's own copy of it
   * is overwritten with zeros before the call returns.
   *
   * @return the packet, or {@code null} when no certificate valid now has the DN
   * @throws IOException "Could not calculate needed size of PFX object.\n" when the
   *     certificate cannot be exported with its key, or another fixed message of the step that
   *     failed
   */
  public native byte[] getPKCS12(String dn, char[] password) throws IOException;

  /**
   * Adds every certificate of a PKCS#12 packet, with its private key, to the personal store; a
   * certificate already there is replaced. An empty password, or one whose first character is
   * {@code '\u0000'}, means the packet has no password.
   *
   * @throws IOException "Windows threw exception: " followed by the system's reason
   *     (a wrong password or a damaged packet, for instance); certificates added before the
   *     failure stay in the store
   */
  public native void importPKCS12(byte[] pkcs12, char[] password) throws IOException;
}
