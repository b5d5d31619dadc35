// Opens a PKCS #12 file with Java's own KeyStore and prints each alias with the subject of its
// certificate, when the entry holds a private key.
import java.io.FileInputStream;
import java.security.KeyStore;
import java.security.cert.X509Certificate;
import java.util.Collections;

public class KeyStoreCheck {
  public static void main(String[] arguments) throws Exception {
    char[] password = arguments[1].toCharArray();
    KeyStore store = KeyStore.getInstance("PKCS12");
    try (FileInputStream in = new FileInputStream(arguments[0])) {
      store.load(in, password);
    }
    for (String alias : Collections.list(store.aliases())) {
      if (store.getKey(alias, password) != null) {
        X509Certificate certificate = (X509Certificate) store.getCertificate(alias);
        System.out.println("key entry: " + certificate.getSubjectX500Principal().getName());
      }
    }
  }
}
