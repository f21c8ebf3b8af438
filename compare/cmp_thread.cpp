#include "cmp_thread.h"

#include <algorithm>
#include <memory>
#include <new>

#include "comparison.h"
#include "zvutil.h"

namespace {

using zv::compare::kBlockSize;

static_assert(sizeof(std::atomic<BOOL>) == sizeof(BOOL) && std::atomic<BOOL>::is_always_lock_free);

void CloseAndReset(HANDLE& handle) {
  if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
}

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

}  // namespace

// Percentages met by the comparing thread, handed over to the worker's own
// thread, which shows them: the comparison never waits while the dialog paints.
// Each percentage is met at most once, in rising order, so 101 cells suffice.
class CCmpThread::ProgressMailbox {
 public:
  ProgressMailbox() : m_hPosted(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~ProgressMailbox() {
    if (m_hPosted) ::CloseHandle(m_hPosted);
  }
  ProgressMailbox(const ProgressMailbox&) = delete;
  ProgressMailbox& operator=(const ProgressMailbox&) = delete;

  bool IsUsable() const { return m_hPosted != nullptr; }

  void Post(int nPercent) {
    const size_t nCount = m_nPosted.load(std::memory_order_relaxed);
    if (nCount == std::size(m_values)) return;
    m_values[nCount] = nPercent;
    m_nPosted.store(nCount + 1, std::memory_order_release);
    ::SetEvent(m_hPosted);
  }

  void Close() {
    m_bClosed.store(true, std::memory_order_release);
    ::SetEvent(m_hPosted);
  }

  // Shows every posted percentage in order until the mailbox is closed and empty.
  template <class Show>
  void Deliver(Show&& show) {
    for (size_t nTaken = 0;;) {
      ::WaitForSingleObject(m_hPosted, INFINITE);
      // Closed is read first: whatever was posted before the close is then seen below.
      const bool bClosed = m_bClosed.load(std::memory_order_acquire);
      const size_t nPosted = m_nPosted.load(std::memory_order_acquire);
      while (nTaken < nPosted) show(m_values[nTaken++]);
      if (bClosed) return;
    }
  }

 private:
  HANDLE m_hPosted;
  int m_values[101] = {};
  std::atomic<size_t> m_nPosted{0};
  std::atomic<bool> m_bClosed{false};
};

// The worker's files as the comparison loop sees them.
class CCmpThread::FileIo final : public zv::compare::ComparisonIo {
 public:
  FileIo(CCmpThread& thread, ProgressMailbox& progress)
      : m_thread(thread), m_progress(progress), m_buffer(new (std::nothrow) std::uint8_t[2 * kBlockSize]) {}

  bool ReadBlocks(std::uint32_t length, const std::uint8_t*& block1, const std::uint8_t*& block2) override {
    if (!m_buffer) return false;
    std::uint8_t* const buffer1 = m_buffer.get();
    std::uint8_t* const buffer2 = m_buffer.get() + kBlockSize;
    block1 = buffer1;
    block2 = buffer2;
    DWORD read;  // a short read leaves the rest of the buffer as it was
    return ::ReadFile(m_thread.m_hFile1, buffer1, length, &read, nullptr) &&
           ::ReadFile(m_thread.m_hFile2, buffer2, length, &read, nullptr);
  }

  bool WriteReport(const char16_t* units, std::size_t count) override {
    const DWORD bytes = static_cast<DWORD>(count * sizeof(char16_t));
    DWORD written = 0;
    return ::WriteFile(m_thread.m_hOutFile, units, bytes, &written, nullptr) && written == bytes;
  }

  void ReportProgress(int percent) override { m_progress.Post(percent); }

 private:
  CCmpThread& m_thread;
  ProgressMailbox& m_progress;
  std::unique_ptr<std::uint8_t[]> m_buffer;  // block 1, then block 2
};

BEGIN_MESSAGE_MAP(CCmpThread, CWinThread)
END_MESSAGE_MAP()

CCmpThread::CCmpThread() = default;

CCmpThread::~CCmpThread() { CloseCmpFiles(); }

void CCmpThread::CloseCmpFiles() {
  CloseAndReset(m_hFile1);
  CloseAndReset(m_hFile2);
  CloseAndReset(m_hOutFile);
}

int CCmpThread::ExitInstance() {
  CloseCmpFiles();
  return CWinThread::ExitInstance();
}

void CCmpThread::End(UINT nCommand, UINT nExitCode) {
  CloseCmpFiles();
  ::PostMessageW(m_pOwner ? m_pOwner->m_hWnd : nullptr, WM_COMMAND, nCommand, 0);
  AfxEndThread(nExitCode);
}

BOOL CCmpThread::InitInstance() {
  m_hFile1 = m_hFile2 = m_hOutFile = INVALID_HANDLE_VALUE;

  // The shorter file sets the length: the rest of the longer one is never read.
  ULONGLONG size1 = 0, size2 = 0;
  if (!LookUpSize(m_strFile1, size1) || !LookUpSize(m_strFile2, size2)) Fail();
  const ULONGLONG length = std::min(size1, size2);

  m_hFile1 = OpenForReading(m_strFile1);
  if (m_hFile1 == INVALID_HANDLE_VALUE) Fail();
  m_hFile2 = OpenForReading(m_strFile2);
  if (m_hFile2 == INVALID_HANDLE_VALUE) Fail();
  // Not shared: naming an input file as the report fails here.
  m_hOutFile =
      CreateFileNoRedirect(m_strOutFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_hOutFile == INVALID_HANDLE_VALUE || !WriteUtf16Bom(m_hOutFile)) Fail();

  zv::compare::ComparisonRequest request;
  request.file1 = AsUtf16(m_strFile1, m_strFile1.GetLength());
  request.file2 = AsUtf16(m_strFile2, m_strFile2.GetLength());
  request.length = length;
  request.columns = {m_bDecimal != FALSE, m_bHex != FALSE};
  request.noLimit = m_bNoLimit != FALSE;
  request.maxRows = m_nMaxOutput;
  if (Compare(request) == zv::compare::ComparisonEnd::kFailed) Fail();
  Finish();
}

// Compares on a second thread while this one calls the progress function, so
// painting the dialog and comparing overlap on two processors.
zv::compare::ComparisonEnd CCmpThread::Compare(const zv::compare::ComparisonRequest& request) {
  ProgressMailbox progress;
  FileIo io(*this, progress);
  struct Job {
    const zv::compare::ComparisonRequest& request;
    const std::atomic<BOOL>& stop;
    FileIo& io;
    ProgressMailbox& progress;
    zv::compare::ComparisonEnd end = zv::compare::ComparisonEnd::kFailed;

    void Run() {
      end = zv::compare::RunComparison(request, stop, io);
      progress.Close();
    }
    static DWORD WINAPI ThreadProc(void* pJob) {
      static_cast<Job*>(pJob)->Run();
      return 0;
    }
  } job{request, m_bCancel, io, progress};

  HANDLE hComparer = progress.IsUsable() ? ::CreateThread(nullptr, 0, &Job::ThreadProc, &job, 0, nullptr) : nullptr;
  if (!hComparer) job.Run();  // no second thread: compare here, then show the percentages
  progress.Deliver([this](int nPercent) {
    if (!m_bCancel && m_pfnProgress) m_pfnProgress(nPercent, 100, m_pOwner);
  });
  if (hComparer) {
    ::WaitForSingleObject(hComparer, INFINITE);
    ::CloseHandle(hComparer);
  }
  return job.end;
}
