package quorlen.browser.bench;

import java.io.ByteArrayInputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.KeyStore;
import java.security.PrivateKey;
import java.security.Provider;
import java.security.Security;
import java.security.Signature;
import java.security.cert.Certificate;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import java.util.Locale;
import quorlen.browser.IECertificateInterface;

/**
 * Times the five native methods and the JDK's SunPKCS11 provider over the same NSS database
 * ($HOME/.pki/nssdb) in one JVM, and prints one tab-separated line per measurement: operation,
 * implementation, median microseconds, 10th and 90th percentile microseconds, calls. The calls
 * of each measurement are spread over several rounds through all of them, so that a spell of
 * load on the machine falls on every measurement alike rather than on one.
 * Usage: Bench SIGNER_NAME_PART SIGNER_P12 PASSWORD, where the signer is the one listed DN that
 * contains SIGNER_NAME_PART and the packet holds the signer and its key.
 */
public final class Bench {
  private static final int WARMUP_CALLS = 20;
  private static final int ROUNDS = 5;
  private static final long BUDGET_NANOS_PER_ROUND = 600_000_000L;
  private static final int MAX_CALLS_PER_ROUND = 400;
  private static final int MIN_CALLS_PER_ROUND = 3;

  @FunctionalInterface
  private interface Call {
    Object run() throws Exception;
  }

  private static final class Measurement {
    final String operation;
    final String implementation;
    final Call call;
    final long[] times = new long[ROUNDS * MAX_CALLS_PER_ROUND];
    int calls;

    Measurement(String operation, String implementation, Call call) {
      this.operation = operation;
      this.implementation = implementation;
      this.call = call;
    }
  }

  private static final List<Measurement> measurements = new ArrayList<>();

  private static Object sink;

  public static void main(String[] args) throws Exception {
    IECertificateInterface varomel = new IECertificateInterface();
    String signerDn = dnContaining(varomel.listDNS(), args[0]);
    byte[] packet = Files.readAllBytes(Path.of(args[1]));
    char[] password = args[2].toCharArray();
    byte[] data = new byte[1024];
    Arrays.fill(data, (byte) 0x5a);
    KeyStore peer = openPeer();
    String alias = aliasOf(peer, signerDn);
    PrivateKey key = keyOf(peer, alias);

    measure("listDNS", "varomel", varomel::listDNS);
    measure("listDNS", "peer", () -> listPeer(peer));
    measure("listDNS", "peer-load", () -> listPeer(loadPeer(peer.getProvider())));
    measure("getCertificate", "varomel", () -> varomel.getCertificate(signerDn));
    measure("getCertificate", "peer", () -> peer.getCertificate(alias).getEncoded());
    measure("getCertificate", "peer-load",
        () -> loadPeer(peer.getProvider()).getCertificate(alias).getEncoded());
    measure("signData SHA1", "varomel", () -> varomel.signData(signerDn, data, "SHA1"));
    measure("signData SHA1", "peer", () -> signPeer("SHA1withRSA", key, data));
    measure("signData SHA1", "peer-load",
        () -> signPeer("SHA1withRSA", keyOf(loadPeer(peer.getProvider()), alias), data));
    measure("signData MD5", "varomel", () -> varomel.signData(signerDn, data, "MD5"));
    measure("signData MD5", "peer", () -> signPeer("MD5withRSA", key, data));
    measure("signData MD5", "peer-load",
        () -> signPeer("MD5withRSA", keyOf(loadPeer(peer.getProvider()), alias), data));
    measure("getPKCS12", "varomel", () -> varomel.getPKCS12(signerDn, password));
    measure("importPKCS12", "varomel", () -> {
      varomel.importPKCS12(packet, password);
      return null;
    });
    measure("PKCS12 decode", "java", () -> decodeJava(packet, password));
    for (Measurement measurement : measurements) {
      for (int i = 0; i < WARMUP_CALLS; i++) {
        sink = measurement.call.run();
      }
    }
    for (int round = 0; round < ROUNDS; round++) {
      for (Measurement measurement : measurements) {
        runRound(measurement);
      }
    }
    for (Measurement measurement : measurements) {
      report(measurement);
    }
  }

  private static String dnContaining(String[] dns, String part) {
    for (String dn : dns) {
      if (dn.contains(part)) {
        return dn;
      }
    }
    throw new IllegalStateException("no listed DN contains " + part);
  }

  private static KeyStore openPeer() throws Exception {
    String config = String.join("\n", "--name=NSS",
        "nssLibraryDirectory=/usr/lib/x86_64-linux-gnu",
        "nssSecmodDirectory=sql:" + System.getenv("HOME") + "/.pki/nssdb",
        "nssModule=keystore");
    Provider provider = Security.getProvider("SunPKCS11").configure(config);
    Security.addProvider(provider);
    return loadPeer(provider);
  }

  /** A KeyStore that reads the database now; a loaded one answers from what it read then. */
  private static KeyStore loadPeer(Provider provider) throws Exception {
    KeyStore store = KeyStore.getInstance("PKCS11", provider);
    store.load(null, new char[0]);
    return store;
  }

  private static String aliasOf(KeyStore store, String dn) throws Exception {
    for (String alias : Collections.list(store.aliases())) {
      if (store.isKeyEntry(alias)) {
        return alias;
      }
    }
    throw new IllegalStateException("no key entry for " + dn);
  }

  private static PrivateKey keyOf(KeyStore store, String alias) throws Exception {
    return (PrivateKey) store.getKey(alias, null);
  }

  private static Object listPeer(KeyStore store) throws Exception {
    List<Certificate> certificates = new ArrayList<>();
    for (String alias : Collections.list(store.aliases())) {
      certificates.add(store.getCertificate(alias));
    }
    return certificates;
  }

  private static byte[] signPeer(String algorithm, PrivateKey key, byte[] data)
      throws Exception {
    Signature signature = Signature.getInstance(algorithm, "SunPKCS11-NSS");
    signature.initSign(key);
    signature.update(data);
    return signature.sign();
  }

  private static Object decodeJava(byte[] packet, char[] password) throws Exception {
    KeyStore store = KeyStore.getInstance("PKCS12");
    store.load(new ByteArrayInputStream(packet), password);
    return store.aliases();
  }

  private static void measure(String operation, String implementation, Call call) {
    measurements.add(new Measurement(operation, implementation, call));
  }

  private static void runRound(Measurement measurement) throws Exception {
    int calls = 0;
    long start = System.nanoTime();
    while (calls < MAX_CALLS_PER_ROUND
        && (calls < MIN_CALLS_PER_ROUND || System.nanoTime() - start < BUDGET_NANOS_PER_ROUND)) {
      long before = System.nanoTime();
      sink = measurement.call.run();
      measurement.times[measurement.calls++] = System.nanoTime() - before;
      calls++;
    }
  }

  private static void report(Measurement measurement) {
    long[] sorted = Arrays.copyOf(measurement.times, measurement.calls);
    Arrays.sort(sorted);
    System.out.printf(Locale.ROOT, "%s\t%s\t%.1f\t%.1f\t%.1f\t%d%n", measurement.operation,
        measurement.implementation, micros(sorted, 0.5), micros(sorted, 0.1),
        micros(sorted, 0.9), measurement.calls);
  }

  private static double micros(long[] sorted, double quantile) {
    return sorted[(int) Math.min(sorted.length - 1, quantile * sorted.length)] / 1000.0;
  }

  private Bench() {}
}
