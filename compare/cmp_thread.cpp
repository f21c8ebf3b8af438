#include "cmp_thread.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "block_diff.h"
#include "comparison.h"
#include "zvutil.h"

namespace {

using zv::compare::BlockRead;
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

// Reads the blocks of both files for the comparison, on two threads. The
// comparer reads the blocks it comes to; the worker's own thread, between the
// percentages it shows, reads the blocks after them through handles of its
// own. Each thread claims a run of blocks at a time and reads it in order, a
// block of file 1 and the same block of file 2 in one call each, seeking only
// at the start of a run; it compares each pair while the bytes are still in
// its processor's cache, so the comparer walks only the blocks that differ.
// Blocks wait in a ring until the comparison has passed them; the block before
// the current one stays, as a short read (a file cut while it is compared)
// leaves the rest of a block as the bytes the block before held there, the way
// one buffer read over and over would.
class CCmpThread::Pipeline {
 public:
  // A thread's handles on the two files, and the block both stand at.
  struct Reader {
    HANDLE hFile1 = INVALID_HANDLE_VALUE;
    HANDLE hFile2 = INVALID_HANDLE_VALUE;
    ULONGLONG nAt = 0;
  };

  Pipeline(HANDLE hFile1, HANDLE hFile2, ULONGLONG nLength)
      : m_nLength(nLength), m_nBlocks((nLength + kBlockSize - 1) / kBlockSize), m_comparer{hFile1, hFile2, 0} {
    // Short of memory, two blocks still compare: the current one and the one before.
    for (size_t nSlots : {kSlots, size_t{2}}) {
      // Not cleared: a page first touched by a read costs no more than one
      // cleared here, and the reads are spread over both threads.
      m_ring.reset(new (std::nothrow) std::uint8_t[nSlots * 2 * kBlockSize]);
      m_slots.reset(new (std::nothrow) Slot[nSlots]());
      if (m_ring && m_slots) {
        m_nSlots = nSlots;
        break;
      }
    }
  }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // From here on the worker's thread reads ahead through these handles, which
  // stand at the start of the files.
  void ReadAheadWith(HANDLE hFile1, HANDLE hFile2) {
    m_ahead.hFile1 = hFile1;
    m_ahead.hFile2 = hFile2;
    m_bReadAhead = m_nSlots > 2;
  }

  // The comparer's side: block nBlock, asked for in order from block 0. The
  // bytes stay valid until the next call.
  BlockRead Take(ULONGLONG nBlock, const std::uint8_t*& block1, const std::uint8_t*& block2) {
    if (m_nSlots == 0) return BlockRead::kFailed;  // no memory for a block
    ::AcquireSRWLockExclusive(&m_lock);
    m_nKeptFrom = nBlock > 0 ? nBlock - 1 : 0;
    if (m_bAheadWaits && m_bReadAhead && Free() >= m_nSlots / 2) ::WakeConditionVariable(&m_aheadWake);
    while (nBlock >= m_nClaimed || SlotOf(nBlock).state == State::kReading) {
      // Not claimed yet: read it here. Still being read by the worker's
      // thread: read later blocks meanwhile, or wait when there is no room.
      if (nBlock >= m_nClaimed || HasRoom()) {
        ClaimAndRead(m_comparer);
      } else {
        m_bComparerWaits = true;
        ::SleepConditionVariableSRW(&m_comparerWake, &m_lock, INFINITE, 0);
        m_bComparerWaits = false;
      }
    }
    const Slot slot = SlotOf(nBlock);
    ::ReleaseSRWLockExclusive(&m_lock);

    if (slot.state == State::kFailed) return BlockRead::kFailed;
    if (slot.state == State::kEqual) return BlockRead::kKnownEqual;
    block1 = Data(nBlock);
    block2 = Data(nBlock) + kBlockSize;
    if (slot.state == State::kShort) {
      FillShortRead(nBlock, 0, slot.nRead1);
      FillShortRead(nBlock, kBlockSize, slot.nRead2);
    }
    return BlockRead::kRead;
  }

  // Each percentage is met at most once, in rising order: 101 cells suffice.
  void Post(int nPercent) {
    ::AcquireSRWLockExclusive(&m_lock);
    if (m_nPosted < std::size(m_percents)) m_percents[m_nPosted++] = nPercent;
    if (m_bAheadWaits) ::WakeConditionVariable(&m_aheadWake);
    ::ReleaseSRWLockExclusive(&m_lock);
  }

  // The comparison is over: no more blocks are taken, no more percentages posted.
  void Close() {
    ::AcquireSRWLockExclusive(&m_lock);
    m_bClosed = true;
    if (m_bAheadWaits) ::WakeConditionVariable(&m_aheadWake);
    ::ReleaseSRWLockExclusive(&m_lock);
  }

  // The worker's side: shows every posted percentage, in order, and reads
  // ahead while there is none to show, until the comparer closes.
  template <class Show>
  void Serve(Show&& show) {
    size_t nShown = 0;
    ::AcquireSRWLockExclusive(&m_lock);
    for (;;) {
      if (nShown < m_nPosted) {
        const size_t nPosted = m_nPosted;
        ::ReleaseSRWLockExclusive(&m_lock);
        while (nShown < nPosted) show(m_percents[nShown++]);
        ::AcquireSRWLockExclusive(&m_lock);
      } else if (m_bClosed) {
        break;
      } else if (m_bReadAhead && HasRoom()) {
        ClaimAndRead(m_ahead);
      } else {
        m_bAheadWaits = true;
        ::SleepConditionVariableSRW(&m_aheadWake, &m_lock, INFINITE, 0);
        m_bAheadWaits = false;
      }
    }
    ::ReleaseSRWLockExclusive(&m_lock);
  }

 private:
  static constexpr size_t kSlots = 32;
  static constexpr ULONGLONG kRun = 4;  // blocks claimed at a time

  enum class State : std::uint8_t { kReading, kEqual, kDiffer, kShort, kFailed };
  struct Slot {
    State state;
    DWORD nRead1;  // bytes read of each file, for a short read
    DWORD nRead2;
  };

  DWORD BlockLength(ULONGLONG nBlock) const {
    return static_cast<DWORD>(std::min<ULONGLONG>(m_nLength - nBlock * kBlockSize, kBlockSize));
  }
  // File 1's bytes of the block, then file 2's.
  std::uint8_t* Data(ULONGLONG nBlock) const { return m_ring.get() + nBlock % m_nSlots * 2 * kBlockSize; }
  Slot& SlotOf(ULONGLONG nBlock) const { return m_slots[nBlock % m_nSlots]; }
  // The rest is under m_lock.
  ULONGLONG Free() const { return m_nKeptFrom + m_nSlots - m_nClaimed; }
  // A block after the claimed ones may be read.
  bool HasRoom() const { return m_nClaimed < m_nBlocks && Free() > 0 && !m_bFailed; }

  // Claims the next run of blocks and reads it with reader's handles, letting
  // m_lock go while it reads. A failed read ends the run: nothing after it is read.
  void ClaimAndRead(Reader& reader) {
    const ULONGLONG nFirst = m_nClaimed;
    const ULONGLONG nEnd = std::min({nFirst + kRun, m_nBlocks, m_nKeptFrom + m_nSlots});
    m_nClaimed = nEnd;
    for (ULONGLONG nBlock = nFirst; nBlock < nEnd; ++nBlock) SlotOf(nBlock).state = State::kReading;
    ::ReleaseSRWLockExclusive(&m_lock);
    bool bFailed = reader.nAt != nFirst && !Seek(reader, nFirst);
    for (ULONGLONG nBlock = nFirst; nBlock < nEnd; ++nBlock) {
      Slot read{State::kFailed, 0, 0};
      if (!bFailed) read.state = ReadBlock(reader, nBlock, read.nRead1, read.nRead2);
      bFailed = read.state == State::kFailed;
      ::AcquireSRWLockExclusive(&m_lock);
      SlotOf(nBlock) = read;
      m_bFailed = m_bFailed || bFailed;
      if (m_bComparerWaits) ::WakeConditionVariable(&m_comparerWake);
      ::ReleaseSRWLockExclusive(&m_lock);
    }
    ::AcquireSRWLockExclusive(&m_lock);
  }

  // The rest of one file's half of a block after a short read: what the block
  // before held there, zeros for the first block.
  void FillShortRead(ULONGLONG nBlock, size_t nHalf, DWORD nRead) const {
    const DWORD nLength = BlockLength(nBlock);
    if (nRead >= nLength) return;
    std::uint8_t* const pRest = Data(nBlock) + nHalf + nRead;
    if (nBlock > 0)
      memcpy(pRest, Data(nBlock - 1) + nHalf + nRead, nLength - nRead);
    else
      memset(pRest, 0, nLength - nRead);
  }

  static bool Seek(Reader& reader, ULONGLONG nBlock) {
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(nBlock * kBlockSize);
    if (!::SetFilePointerEx(reader.hFile1, offset, nullptr, FILE_BEGIN) ||
        !::SetFilePointerEx(reader.hFile2, offset, nullptr, FILE_BEGIN)) {
      return false;
    }
    reader.nAt = nBlock;
    return true;
  }

  // Reads block nBlock, where reader's handles stand, and compares its two halves.
  State ReadBlock(Reader& reader, ULONGLONG nBlock, DWORD& nRead1, DWORD& nRead2) const {
    const DWORD nLength = BlockLength(nBlock);
    std::uint8_t* const pData = Data(nBlock);
    if (!::ReadFile(reader.hFile1, pData, nLength, &nRead1, nullptr) ||
        !::ReadFile(reader.hFile2, pData + kBlockSize, nLength, &nRead2, nullptr)) {
      return State::kFailed;
    }
    // After a short read the handles stand inside the block: the next run seeks.
    reader.nAt = nRead1 == nLength && nRead2 == nLength ? nBlock + 1 : ~ULONGLONG{0};
    if (nRead1 < nLength || nRead2 < nLength) return State::kShort;
    return zv::compare::FindDifference(pData, pData + kBlockSize, 0, nLength) == nLength ? State::kEqual
                                                                                         : State::kDiffer;
  }

  const ULONGLONG m_nLength;
  const ULONGLONG m_nBlocks;
  Reader m_comparer;  // the comparer's own
  Reader m_ahead;     // the worker's own
  size_t m_nSlots = 0;
  std::unique_ptr<std::uint8_t[]> m_ring;
  std::unique_ptr<Slot[]> m_slots;
  bool m_bReadAhead = false;  // set before the comparer starts
  SRWLOCK m_lock = SRWLOCK_INIT;
  CONDITION_VARIABLE m_aheadWake = CONDITION_VARIABLE_INIT;
  CONDITION_VARIABLE m_comparerWake = CONDITION_VARIABLE_INIT;
  // The rest is under m_lock. Blocks are counted from the start of the files.
  ULONGLONG m_nClaimed = 0;   // blocks read or being read
  ULONGLONG m_nKeptFrom = 0;  // the first block the comparison still needs
  bool m_bFailed = false;
  int m_percents[101] = {};
  size_t m_nPosted = 0;
  bool m_bClosed = false;
  bool m_bAheadWaits = false;
  bool m_bComparerWaits = false;
};

// The worker's files as the comparison loop sees them.
class CCmpThread::FileIo final : public zv::compare::ComparisonIo {
 public:
  FileIo(HANDLE hOutFile, Pipeline& pipeline) : m_hOutFile(hOutFile), m_pipeline(pipeline) {}

  // The pipeline knows each block's length from the files' common length.
  BlockRead ReadBlocks(std::uint32_t, const std::uint8_t*& block1, const std::uint8_t*& block2) override {
    return m_pipeline.Take(m_nBlock++, block1, block2);
  }

  bool WriteReport(const char16_t* units, std::size_t count) override {
    const DWORD bytes = static_cast<DWORD>(count * sizeof(char16_t));
    DWORD written = 0;
    return ::WriteFile(m_hOutFile, units, bytes, &written, nullptr) && written == bytes;
  }

  void ReportProgress(int percent) override { m_pipeline.Post(percent); }

 private:
  const HANDLE m_hOutFile;
  Pipeline& m_pipeline;
  ULONGLONG m_nBlock = 0;
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

// Compares on a second thread while this one reads ahead and calls the
// progress function, so reading, comparing and painting the dialog share the
// two processors.
zv::compare::ComparisonEnd CCmpThread::Compare(const zv::compare::ComparisonRequest& request) {
  Pipeline pipeline(m_hFile1, m_hFile2, request.length);
  FileIo io(m_hOutFile, pipeline);
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
  // This thread reads ahead through handles of its own, so that its reads
  // never queue behind the comparer's on one handle.
  HANDLE hAhead1 = INVALID_HANDLE_VALUE, hAhead2 = INVALID_HANDLE_VALUE;
  if (hComparer) {
    hAhead1 = ::ReOpenFile(m_hFile1, GENERIC_READ, FILE_SHARE_READ, 0);
    hAhead2 = ::ReOpenFile(m_hFile2, GENERIC_READ, FILE_SHARE_READ, 0);
    if (hAhead1 != INVALID_HANDLE_VALUE && hAhead2 != INVALID_HANDLE_VALUE) pipeline.ReadAheadWith(hAhead1, hAhead2);
    ::ResumeThread(hComparer);
  } else {
    job.Run();  // no second thread: compare here, then show the percentages
  }
  pipeline.Serve([this](int nPercent) {
    if (!m_bCancel && m_pfnProgress) m_pfnProgress(nPercent, 100, m_pOwner);
  });
  if (hComparer) {
    ::WaitForSingleObject(hComparer, INFINITE);
    ::CloseHandle(hComparer);
  }
  CloseAndReset(hAhead1);
  CloseAndReset(hAhead2);
  return job.end;
}
