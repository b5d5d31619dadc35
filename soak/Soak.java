import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Random;
import quorlen.browser.IECertificateInterface;

/**
 * Mixed calls of all five methods in one JVM, reporting resident memory (VmRSS) and open file
 * descriptors at the start, after warm-up and at the end.
 * Usage: java -cp build/varomel.jar:soak Soak PACKET PASSWORD CALLS WARMUP EXPORTS_PER_THOUSAND
 */
public final class Soak {
  public static void main(String[] arguments) throws Exception {
    byte[] packet = Files.readAllBytes(Path.of(arguments[0]));
    char[] password = arguments[1].toCharArray();
    int calls = Integer.parseInt(arguments[2]);
    int warmup = Integer.parseInt(arguments[3]);
    int exportsPerThousand = Integer.parseInt(arguments[4]);
    IECertificateInterface store = new IECertificateInterface();
    report("start", 0);
    store.importPKCS12(packet, password);
    String dn = store.listDNS()[0];
    byte[] data = new byte[64];
    Random random = new Random(5);
    for (int call = 1; call <= calls; call++) {
      int pick = random.nextInt(1000);
      if (pick < exportsPerThousand) {
        store.getPKCS12(dn, password);
      } else if (pick < exportsPerThousand + 20) {
        store.importPKCS12(packet, password);
      } else if (pick < 400) {
        store.listDNS();
      } else if (pick < 700) {
        store.getCertificate(dn);
      } else {
        refusedOrSigned(store, dn, data, pick);
      }
      if (call == warmup) {
        report("after warm-up", call);
      }
    }
    report("end", calls);
  }

  // A tenth of the signatures ask for an unknown DN, so the failure path is soaked too.
  private static void refusedOrSigned(IECertificateInterface store, String dn, byte[] data, int pick)
      throws IOException {
    String[] algorithms = {"MD4", "MD5", "SHA1"};
    try {
      store.signData(pick % 10 == 0 ? "CN=Nobody\u0000" : dn, data, algorithms[pick % 3]);
    } catch (IOException refused) {
      if (pick % 10 != 0) {
        throw refused;
      }
    }
  }

  private static void report(String when, int calls) throws IOException {
    String rss = Files.readAllLines(Path.of("/proc/self/status")).stream()
        .filter(line -> line.startsWith("VmRSS:")).findFirst().orElse("VmRSS: ?");
    long descriptors;
    try (var entries = Files.list(Path.of("/proc/self/fd"))) {
      descriptors = entries.count();
    }
    System.out.printf("%-14s calls %7d  %s  descriptors %d%n", when, calls,
        rss.replaceAll("\\s+", " "), descriptors);
  }

  private Soak() {}
}
