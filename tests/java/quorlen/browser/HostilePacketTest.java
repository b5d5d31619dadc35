package quorlen.browser;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.io.IOException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Random;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Damaged and hostile packets handed to importPKCS12 with the right password: each is refused
 * with an IOException, the JVM goes on, and the database holds what it held before.
 */
class HostilePacketTest {
  static final IECertificateInterface store = new IECertificateInterface();
  static Packets.Packet valid;
  static String listingBefore;
  static String[] dnsBefore;

  @BeforeAll
  static void importAValidPacket(@TempDir Path folder) throws Exception {
    valid = new Packets(folder).openssl("/C=US/O=Acme/CN=Hostile Packet Holder", "hostile", false);
    store.importPKCS12(valid.bytes, valid.password);
    listingBefore = Packets.certutilListing();
    dnsBefore = store.listDNS();
    assertEquals(1, dnsBefore.length);
  }

  @AfterEach
  void databaseIsUnchanged() throws Exception {
    assertEquals(listingBefore, Packets.certutilListing());
    assertArrayEquals(dnsBefore, store.listDNS());
  }

  private static void assertRefused(byte[] packet, String what) {
    assertThrows(IOException.class, () -> store.importPKCS12(packet, valid.password), what);
  }

  @Test
  void truncatedAtEveryLength() {
    for (int length = 0; length < valid.bytes.length; length++) {
      assertRefused(Arrays.copyOf(valid.bytes, length), "truncated to " + length);
    }
  }

  @Test
  void singleBitFlips() {
    Random random = new Random(6);
    for (int flip = 0; flip < 300; flip++) {
      byte[] damaged = valid.bytes.clone();
      int bit = random.nextInt(damaged.length * 8);
      damaged[bit / 8] ^= (byte) (1 << (bit % 8));
      assertRefused(damaged, "bit " + bit + " flipped");
    }
  }

  @Test
  void wrongMac() {
    byte[] damaged = valid.bytes.clone();
    damaged[macDigestOffset(damaged)] ^= 0x01;
    assertRefused(damaged, "MAC changed");
  }

  @Test
  void absurdLengths() {
    int outer = 0;
    int authSafe = Der.contentStart(valid.bytes, outer) + Der.elementLength(valid.bytes,
        Der.contentStart(valid.bytes, outer));
    int[] headers = {outer, Der.contentStart(valid.bytes, outer), authSafe,
        Der.contentStart(valid.bytes, authSafe), macDataOffset(valid.bytes)};
    for (int header : headers) {
      byte[] damaged = valid.bytes.clone();
      Der.claimHugeLength(damaged, header);
      assertRefused(damaged, "huge length at " + header);
    }
    assertRefused(new byte[] {0x30, (byte) 0x84, 0x7f, (byte) 0xff, (byte) 0xff, (byte) 0xff, 2,
        1, 3}, "2 GiB claimed");
    assertRefused(new byte[] {0x30, (byte) 0x88, (byte) 0xff, (byte) 0xff, (byte) 0xff,
        (byte) 0xff, (byte) 0xff, (byte) 0xff, (byte) 0xff, (byte) 0xff, 2, 1, 3},
        "eight length bytes");
  }

  @Test
  void zeroBytes() {
    assertRefused(new byte[0], "empty array");
    assertRefused(new byte[valid.bytes.length], "zeros as long as the packet");
  }

  @Test
  void sixtyFourMebibytes() {
    byte[] huge = new byte[64 << 20];
    new Random(64).nextBytes(huge);
    int content = huge.length - 6;
    byte[] header = {0x30, (byte) 0x84, (byte) (content >>> 24), (byte) (content >>> 16),
        (byte) (content >>> 8), (byte) content};
    System.arraycopy(header, 0, huge, 0, header.length);
    try {
      store.importPKCS12(huge, valid.password);
      throw new AssertionError("a 64 MiB random packet was imported");
    } catch (IOException | OutOfMemoryError expected) {
      // Refused, or the JVM had no room for the copy.
    }
  }

  /** PFX: SEQUENCE { version, authSafe, macData { DigestInfo { algorithm, digest }, ... } }. */
  private static int macDataOffset(byte[] packet) {
    int version = Der.contentStart(packet, 0);
    int authSafe = version + Der.elementLength(packet, version);
    return authSafe + Der.elementLength(packet, authSafe);
  }

  private static int macDigestOffset(byte[] packet) {
    int digestInfo = Der.contentStart(packet, macDataOffset(packet));
    int algorithm = Der.contentStart(packet, digestInfo);
    int digest = algorithm + Der.elementLength(packet, algorithm);
    return Der.contentStart(packet, digest);
  }

  /** Enough DER to walk a definite-length packet's headers. */
  private static final class Der {
    static int lengthBytes(byte[] der, int element) {
      int first = der[element + 1] & 0xff;
      return first < 0x80 ? 0 : first & 0x7f;
    }

    static int contentStart(byte[] der, int element) {
      return element + 2 + lengthBytes(der, element);
    }

    static int elementLength(byte[] der, int element) {
      int count = lengthBytes(der, element);
      int length = count == 0 ? der[element + 1] & 0xff : 0;
      for (int i = 0; i < count; i++) {
        length = (length << 8) | (der[element + 2 + i] & 0xff);
      }
      return contentStart(der, element) - element + length;
    }

    static void claimHugeLength(byte[] der, int element) {
      int count = lengthBytes(der, element);
      if (count == 0) {
        der[element + 1] = 0x7f;
      }
      for (int i = 0; i < count; i++) {
        der[element + 2 + i] = (byte) 0xff;
      }
    }
  }
}
