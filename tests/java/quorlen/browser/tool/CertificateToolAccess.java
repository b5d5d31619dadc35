package quorlen.browser.tool;

import java.io.PrintStream;

/** Lets the tests run the tool in their own JVM, with their own streams. */
public final class CertificateToolAccess {
  private CertificateToolAccess() {}

  public static int run(String[] args, PrintStream out, PrintStream err) {
    return CertificateTool.run(args, out, err);
  }
}
