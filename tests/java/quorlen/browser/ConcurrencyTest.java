package quorlen.browser;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayInputStream;
import java.nio.file.Path;
import java.security.KeyStore;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import quorlen.browser.demo.SignatureCheck;

/** Eight threads calling all five methods at once each get correct results. */
class ConcurrencyTest {
  static final int THREADS = 8;
  static final int ROUNDS = 3;

  @Test
  void eightThreadsCallingEveryMethodAtOnceGetCorrectResults(@TempDir Path scratch)
      throws Exception {
    IECertificateInterface store = new IECertificateInterface();
    Packets.Packet packet = new Packets(scratch).openssl("/CN=Shared", "shared", false);
    store.importPKCS12(packet.bytes, packet.password);
    byte[] data = "data signed by many threads".getBytes("UTF-8");

    Callable<Void> round = () -> {
      for (int i = 0; i < ROUNDS; i++) {
        assertArrayEquals(new String[] {"CN=Shared\u0000"}, store.listDNS());
        assertArrayEquals(packet.certificate.getEncoded(), store.getCertificate("CN=Shared"));
        assertTrue(SignatureCheck.verifies(packet.certificate.getPublicKey(), data, "SHA1",
            store.signData("CN=Shared", data, "SHA1")));
        char[] password = ("thread " + Thread.currentThread().getId()).toCharArray();
        KeyStore exported = KeyStore.getInstance("PKCS12");
        exported.load(new ByteArrayInputStream(store.getPKCS12("CN=Shared", password)), password);
        assertEquals(packet.certificate,
            exported.getCertificate(Collections.list(exported.aliases()).get(0)));
        store.importPKCS12(packet.bytes, packet.password);
      }
      return null;
    };
    ExecutorService pool = Executors.newFixedThreadPool(THREADS);
    try {
      List<Future<Void>> running = new ArrayList<>();
      for (int t = 0; t < THREADS; t++) {
        running.add(pool.submit(round));
      }
      for (Future<Void> future : running) {
        future.get();
      }
    } finally {
      pool.shutdownNow();
    }
  }
}
