#include "pdf_output.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "dialog_driver.h"
#include "support.h"

namespace zvtest {
namespace {

std::string ReadText(const std::string& unixPath) {
  const std::vector<uint8_t> bytes = ReadBytes(WindowsPath(unixPath));
  return {bytes.begin(), bytes.end()};
}

// The file name of the first PDF whose name contains token, or "".
std::string FindPdf(const std::string& token) {
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((WindowsPath(PdfFolder()) + L"\\*" + Utf16(token) + L"*.pdf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  ::FindClose(search);
  return Utf8(found.cFileName);
}

// The value of name="..." in one tag of pdftohtml's XML, or "".
std::string Attribute(const std::string& tag, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const size_t at = tag.find(key);
  if (at == std::string::npos) return "";
  const size_t from = at + key.size();
  return tag.substr(from, tag.find('"', from) - from);
}

// What a <text> element shows: its markup (<b>, <i>, <a>) dropped and the
// entities pdftohtml writes decoded.
std::string InnerText(const std::string& element) {
  const size_t start = element.find('>') + 1, end = element.rfind("</text>");
  std::string text;
  for (size_t i = start; i < end && i < element.size(); ++i) {
    if (element[i] == '<') {
      i = element.find('>', i);
      if (i == std::string::npos) break;
      continue;
    }
    text += element[i];
  }
  static const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#34;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, character] : entities) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
      text.replace(at, std::string(entity).size(), character);
    }
  }
  return text;
}

// pdftohtml -xml writes every font as a <fontspec> before the <text> lines
// that use it, one element a line.
std::vector<PdfTextRun> ReadRuns(const std::string& xml) {
  std::map<std::string, PdfTextRun> fonts;
  std::vector<PdfTextRun> runs;
  std::istringstream lines(xml);
  for (std::string line; std::getline(lines, line);) {
    const size_t open = line.find('<');
    if (open == std::string::npos) continue;
    if (line.compare(open, 10, "<fontspec ") == 0) {
      std::string family = Attribute(line, "family");
      // Embedded subsets are named "ABCDEF+Name".
      if (family.size() > 7 && family[6] == '+') family.erase(0, 7);
      fonts[Attribute(line, "id")] = {"", family, std::atoi(Attribute(line, "size").c_str())};
    } else if (line.compare(open, 6, "<text ") == 0) {
      PdfTextRun run = fonts[Attribute(line, "font")];
      run.text = InnerText(line.substr(open));
      runs.push_back(run);
    }
  }
  return runs;
}

}  // namespace

std::string PdfFolder() {
  const char* folder = std::getenv("ZV_PDF_DIR");
  return folder ? folder : "";
}

bool PdfExists(const std::string& token) { return !FindPdf(token).empty(); }

std::optional<PrintedPdf> TakePrintedPdf(const std::string& token, DWORD timeoutMs) {
  // CUPS gets the job at EndDoc and writes the PDF in the background: it is
  // whole once it ends with %%EOF.
  std::string pdf;
  const bool whole = WaitForCondition(
      [&] {
        pdf = FindPdf(token);
        const std::string bytes = pdf.empty() ? "" : ReadText(PdfFolder() + "/" + pdf);
        return bytes.find("%%EOF", bytes.size() > 32 ? bytes.size() - 32 : 0) != std::string::npos;
      },
      timeoutMs);
  if (!whole) {
    std::fprintf(stderr, "no whole PDF for %s in %s within %lu ms (pending: %s)\n", token.c_str(),
                 PdfFolder().c_str(), timeoutMs, PendingJobs().c_str());
    return std::nullopt;
  }
  const std::string path = PdfFolder() + "/" + pdf;
  const std::optional<std::string> text = RunShell("pdftotext -layout '" + path + "' -");
  const std::optional<std::string> xml = RunShell("pdftohtml -xml -stdout -i -q -zoom 1 '" + path + "'");
  ::DeleteFileW(WindowsPath(path).c_str());
  if (!text || !xml) return std::nullopt;
  return PrintedPdf{*text, static_cast<int>(std::count(text->begin(), text->end(), '\f')), ReadRuns(*xml)};
}

std::string PendingJobs() { return RunShell("LC_ALL=C lpstat -o").value_or("(lpstat did not answer)"); }

}  // namespace zvtest
