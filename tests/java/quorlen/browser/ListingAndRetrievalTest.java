package quorlen.browser;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.List;
import java.util.stream.Collectors;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

/** Packets of every maker imported, then listed and fetched back, through the real JVM. */
class ListingAndRetrievalTest {
  static final String JANE = "C=US, S=Some State, O=\"Acme, Inc.\", OU=Unit, CN=Jane Doe, "
      + "E=jane@example.com";

  static final IECertificateInterface store = new IECertificateInterface();
  static Packets.Packet jane;
  static Packets.Packet legacy;
  static Packets.Packet keytool;
  static Packets.Packet nss;
  static Packets.Packet expired;
  static Packets.Packet notYetValid;

  @BeforeAll
  static void importPacketsOfEveryMaker(@TempDir Path scratch) throws Exception {
    Packets packets = new Packets(scratch);
    jane = packets.openssl(
        "/C=US/ST=Some State/O=Acme, Inc./OU=Unit/CN=Jane Doe/emailAddress=jane@example.com",
        "jane's password", false);
    legacy = packets.openssl("/CN=Legacy Protection", "legacy", true);
    keytool = packets.keytool("CN=Key Tool, O=Example", "keytool", null, 30);
    nss = packets.pk12util("CN=From NSS, O=Example", "nss");
    expired = packets.keytool("CN=Expired", "expired", "2000/01/01 00:00:00", 30);
    notYetValid = packets.keytool("CN=Not Yet Valid", "future", "+1y", 30);
    for (Packets.Packet packet : List.of(jane, legacy, keytool, nss, expired, notYetValid)) {
      store.importPKCS12(packet.bytes, packet.password);
    }
  }

  @Test
  void listsExactlyTheValidCertificatesEachEndingWithU0000() throws Exception {
    List<String> listed = Arrays.stream(store.listDNS()).sorted().collect(Collectors.toList());
    List<String> expected =
        List.of(JANE, "CN=Legacy Protection", "O=Example, CN=Key Tool", "O=Example, CN=From NSS")
            .stream()
            .map(dn -> dn + "\u0000")
            .sorted()
            .collect(Collectors.toList());
    assertEquals(expected, listed);
  }

  @Test
  void theDatabaseHoldsEveryImportedCertificateSeenFromOutside() throws Exception {
    String listing = Packets.certutilListing();
    // A header of three lines, then a certificate a line.
    assertEquals(3 + 6, listing.strip().split("\n").length, listing);
  }

  @Test
  void eachListedDnFetchesItsCertificateWithOrWithoutTheTrailingU0000() throws Exception {
    List<byte[]> imported = List.of(jane.certificate.getEncoded(),
        legacy.certificate.getEncoded(), keytool.certificate.getEncoded(),
        nss.certificate.getEncoded());
    for (String dn : store.listDNS()) {
      byte[] fetched = store.getCertificate(dn);
      assertNotNull(fetched, dn);
      assertTrue(imported.stream().anyMatch(bytes -> Arrays.equals(bytes, fetched)), dn);
      assertArrayEquals(fetched, store.getCertificate(dn.substring(0, dn.length() - 1)));
    }
    assertArrayEquals(jane.certificate.getEncoded(), store.getCertificate(JANE));
  }

  @ParameterizedTest
  @ValueSource(strings = {
      "c=us, s=some state, o=\"acme, inc.\", ou=unit, cn=jane doe, e=jane@example.com",
      "C=US,S=Some State,O=\"Acme, Inc.\",OU=Unit,CN=Jane Doe,E=jane@example.com",
      "CN=Key Tool, O=Example", "CN=Expired", "CN=Not Yet Valid", "", "CN=Nobody"})
  void aDnThatNoValidCertificateHasSelectsNothing(String dn) throws Exception {
    assertNull(store.getCertificate(dn));
  }

  @Test
  void aWrongPasswordIsReportedWithTheSystemsReasonAndChangesNothing() throws Exception {
    String before = Packets.certutilListing();
    IOException refused = assertThrows(IOException.class,
        () -> store.importPKCS12(jane.bytes, "not the password".toCharArray()));
    assertTrue(refused.getMessage().startsWith("Windows threw exception: "), refused.getMessage());
    assertTrue(refused.getMessage().length() > "Windows threw exception: ".length());
    assertEquals(before, Packets.certutilListing());
  }

  @Test
  void nullArgumentsAreRefusedByName() {
    assertEquals("dn", assertThrows(NullPointerException.class,
        () -> store.getCertificate(null)).getMessage());
    assertEquals("data", assertThrows(NullPointerException.class,
        () -> store.signData(JANE, null, "SHA1")).getMessage());
    assertEquals("password", assertThrows(NullPointerException.class,
        () -> store.getPKCS12(JANE, null)).getMessage());
    assertEquals("pkcs12", assertThrows(NullPointerException.class,
        () -> store.importPKCS12(null, new char[0])).getMessage());
  }
}
