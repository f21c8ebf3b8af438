#include "pdf_output.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dialog_driver.h"
#include "test_files.h"

namespace zvtest {
namespace {

std::string ReadText(const std::string& unixPath) {
  const std::vector<uint8_t> bytes = ReadBytes(WindowsPath(unixPath));
  return {bytes.begin(), bytes.end()};
}

bool StartUnixProgram(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return false;
  }
  if (process.hThread) ::CloseHandle(process.hThread);
  if (process.hProcess) ::CloseHandle(process.hProcess);
  return true;
}

// The file name of the first PDF whose name contains token, or "".
std::string FindPdf(const std::string& token) {
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((WindowsPath(PdfFolder()) + L"\\*" + Utf16(token) + L"*.pdf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  ::FindClose(search);
  return Utf8(found.cFileName);
}

}  // namespace

std::string PdfFolder() {
  const char* folder = std::getenv("ZV_PDF_DIR");
  return folder ? folder : "";
}

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + Utf16(unixPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::optional<std::string> RunShell(const std::string& command, DWORD timeoutMs) {
  static std::atomic<int> serial{0};
  const std::string out = "/tmp/zvtest-shell-" + std::to_string(::GetCurrentProcessId()) + "-" +
                          std::to_string(serial++) + ".out";
  // Written aside and renamed: the file appears whole.
  if (!StartUnixProgram(Utf16("/bin/sh -c \"(" + command + ") >'" + out + ".part' 2>&1; mv '" + out + ".part' '" +
                              out + "'\""))) {
    return std::nullopt;
  }
  if (!WaitForCondition([&] { return FileExists(WindowsPath(out)); }, timeoutMs)) return std::nullopt;
  std::string text = ReadText(out);
  ::DeleteFileW(WindowsPath(out).c_str());
  return text;
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
  ::DeleteFileW(WindowsPath(path).c_str());
  if (!text) return std::nullopt;
  return PrintedPdf{*text, static_cast<int>(std::count(text->begin(), text->end(), '\f'))};
}

std::string PendingJobs() { return RunShell("LC_ALL=C lpstat -o").value_or("(lpstat did not answer)"); }

}  // namespace zvtest
