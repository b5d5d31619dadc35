package quorlen.browser.demo;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;

/** MD4 (RFC 1320), which the JDK does not offer, to check MD4 signatures independently. */
public final class Md4 {
  private Md4() {}

  public static byte[] digest(byte[] message) {
    int blocks = (message.length + 8) / 64 + 1;
    ByteBuffer padded = ByteBuffer.allocate(blocks * 64).order(ByteOrder.LITTLE_ENDIAN);
    padded.put(message).put((byte) 0x80);
    padded.putLong(blocks * 64 - 8, (long) message.length * 8);
    int[] state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    int[] x = new int[16];
    for (int block = 0; block < blocks; block++) {
      for (int i = 0; i < 16; i++) {
        x[i] = padded.getInt(block * 64 + i * 4);
      }
      compress(state, x);
    }
    ByteBuffer out = ByteBuffer.allocate(16).order(ByteOrder.LITTLE_ENDIAN);
    for (int word : state) {
      out.putInt(word);
    }
    return out.array();
  }

  private static void compress(int[] state, int[] x) {
    int a = state[0];
    int b = state[1];
    int c = state[2];
    int d = state[3];
    final int[] round1 = {3, 7, 11, 19};
    for (int i = 0; i < 16; i++) {
      int f = (b & c) | (~b & d);
      int t = Integer.rotateLeft(a + f + x[i], round1[i % 4]);
      a = d;
      d = c;
      c = b;
      b = t;
    }
    final int[] round2 = {3, 5, 9, 13};
    for (int i = 0; i < 16; i++) {
      int k = (i % 4) * 4 + i / 4;
      int g = (b & c) | (b & d) | (c & d);
      int t = Integer.rotateLeft(a + g + x[k] + 0x5a827999, round2[i % 4]);
      a = d;
      d = c;
      c = b;
      b = t;
    }
    final int[] round3 = {3, 9, 11, 15};
    final int[] order3 = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; i++) {
      int h = b ^ c ^ d;
      int t = Integer.rotateLeft(a + h + x[order3[i]] + 0x6ed9eba1, round3[i % 4]);
      a = d;
      d = c;
      c = b;
      b = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
  }
}
