#include "cmp_thread.h"

#include <algorithm>
#include <cstring>
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

// What the comparing thread and the worker's own thread share. The worker
// shows the percentages the comparison meets, one at a time, and between them
// reads file 2 ahead of the comparison into a ring of blocks; the comparer
// takes file 2's blocks from the ring and reads them itself when the ring has
// run dry (the worker is painting a percentage), so it never waits for the
// worker and at most two threads are busy at once. Both read file 2 in the
// same calls as one reader would, one call at a time and in order. Handing
// over a block takes a slim lock; the worker, once the ring is full, is woken
// only when half of it is free again.
class CCmpThread::Pipeline {
 public:
  Pipeline(HANDLE hFile2, ULONGLONG nLength)
      : m_hFile2(hFile2),
        m_nLength(nLength),
        m_nBlocks((nLength + kBlockSize - 1) / kBlockSize),
        m_ring(new (std::nothrow) std::uint8_t[kSlots * kBlockSize]) {}
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // Reading ahead needs the ring's memory and a comparer on a thread of its
  // own; without them the comparer reads all of file 2 itself.
  void ReadAheadIf(bool bComparerThread) { m_bReadAhead = bComparerThread && m_ring != nullptr; }
  bool ReadsAhead() const { return m_bReadAhead; }

  // The comparer's side. The next block of file 2, from the ring or read into
  // buffer, valid until the next call; false when its read failed.
  bool NextBlock(std::uint8_t* buffer, const std::uint8_t*& block) {
    if (TakeFromRing(block)) return m_bTakenRead;
    ::AcquireSRWLockExclusive(&m_fileLock);  // waits out the worker's read of this very block
    bool bRead;
    if (TakeFromRing(block)) {
      bRead = m_bTakenRead;
    } else {
      bRead = ReadBlock(m_nTaken, buffer);
      block = buffer;
      ::AcquireSRWLockExclusive(&m_lock);
      m_nReleased = m_nTaken = m_nFilled = m_nTaken + 1;
      ::ReleaseSRWLockExclusive(&m_lock);
    }
    ::ReleaseSRWLockExclusive(&m_fileLock);
    return bRead;
  }

  // Each percentage is met at most once, in rising order: 101 cells suffice.
  void Post(int nPercent) {
    ::AcquireSRWLockExclusive(&m_lock);
    if (m_nPosted < std::size(m_percents)) m_percents[m_nPosted++] = nPercent;
    if (m_bWorkerWaits) ::WakeConditionVariable(&m_workerWake);
    ::ReleaseSRWLockExclusive(&m_lock);
  }

  // The comparison is over: no more blocks are taken, no more percentages posted.
  void Close() {
    ::AcquireSRWLockExclusive(&m_lock);
    m_bClosed = true;
    if (m_bWorkerWaits) ::WakeConditionVariable(&m_workerWake);
    ::ReleaseSRWLockExclusive(&m_lock);
  }

  // The worker's side: shows every posted percentage, in order, and reads ahead
  // while there is none to show, until the comparer closes.
  template <class Show>
  void Serve(Show&& show) {
    size_t nShown = 0;
    bool bReading = m_bReadAhead;
    for (;;) {
      ::AcquireSRWLockExclusive(&m_lock);
      while (nShown == m_nPosted && !m_bClosed && !(bReading && HasRoom())) {
        m_bWorkerWaits = true;
        ::SleepConditionVariableSRW(&m_workerWake, &m_lock, INFINITE, 0);
        m_bWorkerWaits = false;
      }
      const size_t nPosted = m_nPosted;
      const bool bClosed = m_bClosed;
      ::ReleaseSRWLockExclusive(&m_lock);
      if (nShown < nPosted) {
        while (nShown < nPosted) show(m_percents[nShown++]);
      } else if (bClosed) {
        return;
      } else {
        bReading = ReadAhead();
      }
    }
  }

 private:
  static constexpr size_t kSlots = 64;

  std::uint8_t* Slot(ULONGLONG nBlock) const { return m_ring.get() + nBlock % kSlots * kBlockSize; }
  // Under m_lock: the next block still to be read has a free slot.
  bool HasRoom() const { return m_nFilled < m_nBlocks && m_nFilled - m_nReleased < kSlots; }

  bool TakeFromRing(const std::uint8_t*& block) {
    ::AcquireSRWLockExclusive(&m_lock);
    m_nReleased = m_nTaken;  // the block handed out last is done with
    if (m_bWorkerWaits && m_nFilled - m_nReleased <= kSlots / 2) ::WakeConditionVariable(&m_workerWake);
    const bool bReady = m_nFilled > m_nTaken;
    if (bReady) {
      const ULONGLONG nBlock = m_nTaken++;
      m_bTakenRead = m_bRead[nBlock % kSlots];
      block = Slot(nBlock);
    }
    ::ReleaseSRWLockExclusive(&m_lock);
    return bReady;
  }

  // The worker reads the next block into the ring; false when there is no room
  // or nothing left, or the read failed (nothing after it is asked for).
  bool ReadAhead() {
    ::AcquireSRWLockExclusive(&m_fileLock);
    ::AcquireSRWLockExclusive(&m_lock);
    const bool bRoom = HasRoom();
    const ULONGLONG nBlock = m_nFilled;
    ::ReleaseSRWLockExclusive(&m_lock);
    bool bRead = false;
    if (bRoom) {
      bRead = ReadBlock(nBlock, Slot(nBlock));
      ::AcquireSRWLockExclusive(&m_lock);
      m_bRead[nBlock % kSlots] = bRead;
      m_nFilled = nBlock + 1;
      ::ReleaseSRWLockExclusive(&m_lock);
    }
    ::ReleaseSRWLockExclusive(&m_fileLock);
    return bRoom ? bRead : nBlock < m_nBlocks;
  }

  // Under m_fileLock, for block nBlock and no other.
  bool ReadBlock(ULONGLONG nBlock, std::uint8_t* pTarget) {
    const auto nLength = static_cast<DWORD>(std::min<ULONGLONG>(m_nLength - nBlock * kBlockSize, kBlockSize));
    DWORD nRead = 0;
    const bool bRead = ::ReadFile(m_hFile2, pTarget, nLength, &nRead, nullptr) != FALSE;
    // A file cut short while it is compared: the rest of the block holds the
    // bytes of the block before, as in a single buffer read over and over.
    if (bRead && nRead < nLength && m_pLastRead) memcpy(pTarget + nRead, m_pLastRead + nRead, nLength - nRead);
    m_pLastRead = pTarget;
    return bRead;
  }

  const HANDLE m_hFile2;
  const ULONGLONG m_nLength;
  const ULONGLONG m_nBlocks;
  const std::unique_ptr<std::uint8_t[]> m_ring;
  bool m_bReadAhead = false;  // set before the comparer starts
  // Held across each read of file 2, so its blocks are read in order.
  SRWLOCK m_fileLock = SRWLOCK_INIT;
  const std::uint8_t* m_pLastRead = nullptr;  // under m_fileLock
  bool m_bTakenRead = false;                  // the comparer's own
  SRWLOCK m_lock = SRWLOCK_INIT;
  CONDITION_VARIABLE m_workerWake = CONDITION_VARIABLE_INIT;
  // The rest is under m_lock. Blocks are counted from the start of the file:
  // read (into the ring or by the comparer), handed to the comparer, done with.
  ULONGLONG m_nFilled = 0;
  ULONGLONG m_nTaken = 0;
  ULONGLONG m_nReleased = 0;
  bool m_bRead[kSlots] = {};
  int m_percents[101] = {};
  size_t m_nPosted = 0;
  bool m_bClosed = false;
  bool m_bWorkerWaits = false;
};

// The worker's files as the comparison loop sees them.
class CCmpThread::FileIo final : public zv::compare::ComparisonIo {
 public:
  FileIo(CCmpThread& thread, Pipeline& pipeline)
      : m_thread(thread), m_pipeline(pipeline), m_buffer(new (std::nothrow) std::uint8_t[2 * kBlockSize]) {}

  bool ReadBlocks(std::uint32_t length, const std::uint8_t*& block1, const std::uint8_t*& block2) override {
    if (!m_buffer) return false;
    std::uint8_t* const buffer1 = m_buffer.get();
    std::uint8_t* const buffer2 = m_buffer.get() + kBlockSize;
    block1 = buffer1;
    block2 = buffer2;
    DWORD read;  // a short read leaves the rest of the buffer as it was
    if (!::ReadFile(m_thread.m_hFile1, buffer1, length, &read, nullptr)) return false;
    return m_pipeline.ReadsAhead() ? m_pipeline.NextBlock(buffer2, block2)
                         : ::ReadFile(m_thread.m_hFile2, buffer2, length, &read, nullptr) != FALSE;
  }

  bool WriteReport(const char16_t* units, std::size_t count) override {
    const DWORD bytes = static_cast<DWORD>(count * sizeof(char16_t));
    DWORD written = 0;
    return ::WriteFile(m_thread.m_hOutFile, units, bytes, &written, nullptr) && written == bytes;
  }

  void ReportProgress(int percent) override { m_pipeline.Post(percent); }

 private:
  CCmpThread& m_thread;
  Pipeline& m_pipeline;
  std::unique_ptr<std::uint8_t[]> m_buffer;  // block 1, then block 2 when file 2 is read here
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

// Compares on a second thread while this one reads file 2 ahead and calls the
// progress function, so reading, comparing and painting the dialog share the
// two processors.
zv::compare::ComparisonEnd CCmpThread::Compare(const zv::compare::ComparisonRequest& request) {
  Pipeline pipeline(m_hFile2, request.length);
  FileIo io(*this, pipeline);
  struct Job {
    const zv::compare::ComparisonRequest& request;
    const std::atomic<BOOL>& stop;
    FileIo& io;
    Pipeline& pipeline;
    zv::compare::ComparisonEnd end = zv::compare::ComparisonEnd::kFailed;

    void Run() {
      end = zv::compare::RunComparison(request, stop, io);
      pipeline.Close();
    }
    static DWORD WINAPI ThreadProc(void* pJob) {
      static_cast<Job*>(pJob)->Run();
      return 0;
    }
  } job{request, m_bCancel, io, pipeline};

  HANDLE hComparer = ::CreateThread(nullptr, 0, &Job::ThreadProc, &job, CREATE_SUSPENDED, nullptr);
  pipeline.ReadAheadIf(hComparer != nullptr);
  if (hComparer)
    ::ResumeThread(hComparer);
  else
    job.Run();  // no second thread: compare here, then show the percentages
  pipeline.Serve([this](int nPercent) {
    if (!m_bCancel && m_pfnProgress) m_pfnProgress(nPercent, 100, m_pOwner);
  });
  if (hComparer) {
    ::WaitForSingleObject(hComparer, INFINITE);
    ::CloseHandle(hComparer);
  }
  return job.end;
}
