// What the test environment's PDF printer made of a print job: CUPS writes
// each job as "<document name>-job_<N>.pdf" into ZV_PDF_DIR (scripts/wine-env
// up), and the text is read back with pdftotext -layout. Unix programs run
// from Wine through /bin/sh; Wine gives no handle to wait on for them, so their
// output is watched for as a file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zvtest {

// The output folder as CUPS names it; empty when the environment is not up.
std::string PdfFolder();
// A piece of text as pdftohtml -xml places it (a line, or part of one in
// another font), with the font it is drawn in.
struct PdfTextRun {
  std::string text;
  std::string family;  // the embedded font's name without its subset tag: "VL-Gothic"
  int size = 0;        // points
};

struct PrintedPdf {
  std::string text;  // pdftotext -layout, pages ended by form feeds
  int pages = 0;
  std::vector<PdfTextRun> runs;  // every page's, in reading order
};
// Waits for the whole PDF of the job whose document name contains token, reads
// it back and deletes it; nullopt, with the reason on stderr, when none comes.
std::optional<PrintedPdf> TakePrintedPdf(const std::string& token, DWORD timeoutMs = 60000);
// True when a PDF whose name contains token is in the folder now.
bool PdfExists(const std::string& token);

// The spooler's pending jobs as lpstat -o lists them; empty when there are none.
std::string PendingJobs();

}  // namespace zvtest
