#include "cmp_thread.h"

#include <algorithm>

#include "cmp_pipeline.h"
#include "comparison.h"
#include "zvutil.h"

namespace {

using zv::compare::ComparisonEnd;

static_assert(sizeof(std::atomic<BOOL>) == sizeof(BOOL) && std::atomic<BOOL>::is_always_lock_free);

// The size of an existing file, looked up without opening it.
bool LookUpSize(LPCWSTR path, ULONGLONG& size) {
  WIN32_FIND_DATAW find;
  HANDLE search = FindFirstFileNoRedirect(path, &find);
  if (search == INVALID_HANDLE_VALUE) return false;
  size = FindDataFileSize(find);
  FindCloseNoRedirect(&search);
  return true;
}

HANDLE OpenForReading(LPCWSTR path) {
  return CreateFileNoRedirect(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
}

// The worker's files as the comparison sees them.
class FileIo final : public zv::compare::ComparisonIo {
 public:
  FileIo(HANDLE hOutFile, CmpPipeline& pipeline) : m_hOutFile(hOutFile), m_pipeline(pipeline) {}

  zv::compare::Blocks NextBlocks() override { return m_pipeline.Next(); }

  bool WriteReport(const char16_t* units, std::size_t count) override {
    const DWORD bytes = static_cast<DWORD>(count * sizeof(char16_t));
    DWORD written = 0;
    return ::WriteFile(m_hOutFile, units, bytes, &written, nullptr) && written == bytes;
  }

  void ReportProgress(int percent) override { m_pipeline.Post(percent); }

 private:
  const HANDLE m_hOutFile;
  CmpPipeline& m_pipeline;
};

// The comparison loop on a thread of its own. Whatever it throws (memory
// running out) fails this comparison, not the host: the pipeline is closed on
// every way out, so that the worker's thread finishes and reports.
struct Comparer {
  const zv::compare::ComparisonRequest& request;
  const std::atomic<BOOL>& stop;
  FileIo& io;
  CmpPipeline& pipeline;
  ComparisonEnd end = ComparisonEnd::kFailed;

  void Run() noexcept {
    try {
      end = zv::compare::RunComparison(request, stop, io);
    } catch (...) {
      end = ComparisonEnd::kFailed;
    }
    pipeline.Close();
  }
  static DWORD WINAPI ThreadProc(void* pComparer) {
    static_cast<Comparer*>(pComparer)->Run();
    return 0;
  }
};

}  // namespace

BEGIN_MESSAGE_MAP(CCmpThread, CWinThread)
END_MESSAGE_MAP()

CCmpThread::CCmpThread() = default;

CCmpThread::~CCmpThread() { CloseCmpFiles(); }

void CCmpThread::CloseCmpFiles() {
  m_hFile1.Reset();
  m_hFile2.Reset();
  m_hOutFile.Reset();
}

int CCmpThread::ExitInstance() {
  CloseCmpFiles();
  return CWinThread::ExitInstance();
}

BOOL CCmpThread::InitInstance() {
  bool bFinished = false;
  try {
    bFinished = OpenAndCompare();
  } catch (...) {
    // A failure of this comparison, reported as one; never the host's end.
  }
  CloseCmpFiles();
  ::PostMessageW(m_pOwner ? m_pOwner->m_hWnd : nullptr, WM_COMMAND, bFinished ? ID_CMP_FINISHED : ID_CMP_FAILED, 0);
  AfxEndThread(bFinished ? 0 : static_cast<UINT>(-1));
}

bool CCmpThread::OpenAndCompare() {
  // The shorter file sets the length: the rest of the longer one is never read.
  ULONGLONG size1 = 0, size2 = 0;
  if (!LookUpSize(m_strFile1, size1) || !LookUpSize(m_strFile2, size2)) return false;

  m_hFile1.Reset(OpenForReading(m_strFile1));
  if (!m_hFile1.IsValid()) return false;
  m_hFile2.Reset(OpenForReading(m_strFile2));
  if (!m_hFile2.IsValid()) return false;
  // Not shared: naming an input file as the report fails here.
  m_hOutFile.Reset(
      CreateFileNoRedirect(m_strOutFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!m_hOutFile.IsValid() || !WriteUtf16Bom(m_hOutFile.Get())) return false;
  return Compare(std::min(size1, size2));
}

// Compares on a second thread while this one reads ahead and calls the
// progress function, so reading, comparing and painting the dialog share the
// two processors.
bool CCmpThread::Compare(ULONGLONG nLength) {
  zv::compare::ComparisonRequest request;
  request.file1 = AsUtf16(m_strFile1, m_strFile1.GetLength());
  request.file2 = AsUtf16(m_strFile2, m_strFile2.GetLength());
  request.length = nLength;
  request.columns = {m_bDecimal != FALSE, m_bHex != FALSE};
  request.noLimit = m_bNoLimit != FALSE;
  request.maxRows = m_nMaxOutput;

  CmpPipeline pipeline(m_hFile1.Get(), m_hFile2.Get(), nLength);
  FileIo io(m_hOutFile.Get(), pipeline);
  Comparer comparer{request, m_bCancel, io, pipeline};
  const ScopedHandle hComparer(::CreateThread(nullptr, 0, &Comparer::ThreadProc, &comparer, CREATE_SUSPENDED, nullptr));
  if (hComparer.IsValid()) {
    pipeline.ReadAheadToo();
    ::ResumeThread(hComparer.Get());
  } else {
    comparer.Run();  // no second thread: compare here, then show the percentages
  }
  for (int nPercent; pipeline.NextPercent(nPercent);) {
    if (!m_bCancel && m_pfnProgress) m_pfnProgress(nPercent, 100, m_pOwner);
  }
  if (hComparer.IsValid()) ::WaitForSingleObject(hComparer.Get(), INFINITE);
  return comparer.end == ComparisonEnd::kFinished;
}
