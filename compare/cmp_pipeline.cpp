#include "cmp_pipeline.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "block_diff.h"

namespace {

using zv::compare::BlockRead;

// A file cut while it is compared reads short. Past the cut it shows what
// reads of 32000 bytes into one buffer have always left there: the bytes
// 32000 before, and zeros before the start of the file.
constexpr DWORD kShortReadPeriod = 32000;

// A slim lock held for a scope.
class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : m_lock(lock) { ::AcquireSRWLockExclusive(&m_lock); }
  ~Locked() { ::ReleaseSRWLockExclusive(&m_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

  // Lets the lock go until wake is signalled.
  void Wait(CONDITION_VARIABLE& wake) { ::SleepConditionVariableSRW(&wake, &m_lock, INFINITE, 0); }

 private:
  SRWLOCK& m_lock;
};

// A held lock let go for a scope: what runs in it runs unlocked.
class Unlocked {
 public:
  explicit Unlocked(SRWLOCK& lock) : m_lock(lock) { ::ReleaseSRWLockExclusive(&m_lock); }
  ~Unlocked() { ::AcquireSRWLockExclusive(&m_lock); }
  Unlocked(const Unlocked&) = delete;
  Unlocked& operator=(const Unlocked&) = delete;

 private:
  SRWLOCK& m_lock;
};

}  // namespace

CmpPipeline::CmpPipeline(HANDLE hFile1, HANDLE hFile2, ULONGLONG nLength) noexcept
    : m_nLength(nLength), m_nBlocks((nLength + kBlockSize - 1) / kBlockSize), m_comparer{hFile1, hFile2, 0} {
  static_assert(kBlockSize >= kShortReadPeriod, "a short read copies from one block before at most");
  // Short of memory, two blocks still compare: the current one and the one before.
  for (size_t nSlots : {kSlots, size_t{2}}) {
    // Not cleared: a page first touched by a read costs no more than one cleared
    // here, and the reads are spread over both threads.
    m_ring.reset(new (std::nothrow) std::uint8_t[nSlots * 2 * kBlockSize]);
    m_slots.reset(new (std::nothrow) Slot[nSlots]());
    if (m_ring && m_slots) {
      m_nSlots = nSlots;
      break;
    }
  }
}

void CmpPipeline::ReadAheadToo() noexcept {
  // Handles of its own, so that its reads never queue behind the comparer's on one handle.
  m_hAhead1.Reset(::ReOpenFile(m_comparer.hFile1, GENERIC_READ, FILE_SHARE_READ, 0));
  m_hAhead2.Reset(::ReOpenFile(m_comparer.hFile2, GENERIC_READ, FILE_SHARE_READ, 0));
  m_ahead = {m_hAhead1.Get(), m_hAhead2.Get(), 0};
  m_bReadAhead = m_nSlots > 2 && m_hAhead1.IsValid() && m_hAhead2.IsValid();
}

zv::compare::Blocks CmpPipeline::Next() noexcept {
  if (m_nSlots == 0) return {};  // no memory for a block
  const ULONGLONG nBlock = m_nTaken++;
  Slot slot;
  {
    Locked locked(m_lock);
    m_nKeptFrom = nBlock > 0 ? nBlock - 1 : 0;
    if (m_bAheadWaits && m_bReadAhead && HasRoom()) ::WakeConditionVariable(&m_aheadWake);
    while (nBlock >= m_nClaimed || SlotOf(nBlock).state == State::kReading) {
      // Not claimed yet: read it here. Still being read ahead: read later
      // blocks meanwhile, or wait when there is no room.
      if (nBlock >= m_nClaimed || HasRoom()) {
        ClaimAndRead(m_comparer);
      } else {
        m_bComparerWaits = true;
        locked.Wait(m_comparerWake);
        m_bComparerWaits = false;
      }
    }
    slot = SlotOf(nBlock);
  }

  if (slot.state == State::kFailed) return {};
  if (slot.state == State::kShort) {
    FillShortRead(nBlock, 0, slot.nRead1);
    FillShortRead(nBlock, kBlockSize, slot.nRead2);
  }
  const std::uint8_t* const pData = Data(nBlock);
  const DWORD nLength = BlockLength(nBlock);
  return {slot.state == State::kEqual ? BlockRead::kKnownEqual : BlockRead::kRead,
          {pData, nLength},
          {pData + kBlockSize, nLength}};
}

void CmpPipeline::Post(int nPercent) noexcept {
  Locked locked(m_lock);
  if (m_nPosted < std::size(m_percents)) m_percents[m_nPosted++] = nPercent;
  if (m_bAheadWaits) ::WakeConditionVariable(&m_aheadWake);
}

void CmpPipeline::Close() noexcept {
  Locked locked(m_lock);
  m_bClosed = true;
  if (m_bAheadWaits) ::WakeConditionVariable(&m_aheadWake);
}

bool CmpPipeline::NextPercent(int& nPercent) noexcept {
  Locked locked(m_lock);
  for (;;) {
    if (m_nShown < m_nPosted) {
      nPercent = m_percents[m_nShown++];
      return true;
    }
    if (m_bClosed) return false;
    if (m_bReadAhead && HasRoom()) {
      ClaimAndRead(m_ahead);
    } else {
      m_bAheadWaits = true;
      locked.Wait(m_aheadWake);
      m_bAheadWaits = false;
    }
  }
}

DWORD CmpPipeline::BlockLength(ULONGLONG nBlock) const {
  return static_cast<DWORD>(std::min<ULONGLONG>(m_nLength - nBlock * kBlockSize, kBlockSize));
}

// Called with m_lock held: claims the next block and reads it with reader's
// handles. A failed read stops all reading after it.
void CmpPipeline::ClaimAndRead(Reader& reader) {
  const ULONGLONG nBlock = m_nClaimed++;
  SlotOf(nBlock).state = State::kReading;
  Slot read;
  {
    const Unlocked unlocked(m_lock);  // the other thread takes, claims and reads meanwhile
    read = Read(reader, nBlock);
  }
  SlotOf(nBlock) = read;
  m_bFailed = m_bFailed || read.state == State::kFailed;
  if (m_bComparerWaits) ::WakeConditionVariable(&m_comparerWake);
}

// Reads block nBlock into its slot and compares its two halves.
CmpPipeline::Slot CmpPipeline::Read(Reader& reader, ULONGLONG nBlock) const {
  Slot slot{State::kFailed, 0, 0};
  if (reader.nAt != nBlock) {
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(nBlock * kBlockSize);
    if (!::SetFilePointerEx(reader.hFile1, offset, nullptr, FILE_BEGIN) ||
        !::SetFilePointerEx(reader.hFile2, offset, nullptr, FILE_BEGIN)) {
      return slot;
    }
  }
  const DWORD nLength = BlockLength(nBlock);
  std::uint8_t* const pData = Data(nBlock);
  if (!::ReadFile(reader.hFile1, pData, nLength, &slot.nRead1, nullptr) ||
      !::ReadFile(reader.hFile2, pData + kBlockSize, nLength, &slot.nRead2, nullptr)) {
    return slot;
  }
  const bool bWhole = slot.nRead1 == nLength && slot.nRead2 == nLength;
  // After a short read the handles stand inside the block: the next read seeks.
  reader.nAt = bWhole ? nBlock + 1 : ~ULONGLONG{0};
  if (!bWhole) {
    slot.state = State::kShort;
  } else {
    const bool bEqual = zv::compare::FindDifference(pData, pData + kBlockSize, 0, nLength) == nLength;
    slot.state = bEqual ? State::kEqual : State::kDiffer;
  }
  return slot;
}

// The rest of one file's half of a block after a short read, in rising order
// so that every byte copied is already final. The block before is a whole one.
void CmpPipeline::FillShortRead(ULONGLONG nBlock, size_t nHalf, DWORD nRead) const {
  std::uint8_t* const pHalf = Data(nBlock) + nHalf;
  const std::uint8_t* const pBefore = nBlock > 0 ? Data(nBlock - 1) + nHalf + kBlockSize - kShortReadPeriod : nullptr;
  const DWORD nLength = BlockLength(nBlock);
  for (DWORD i = nRead; i < nLength;) {
    if (i >= kShortReadPeriod) {
      const DWORD nCount = std::min(nLength - i, kShortReadPeriod);
      memcpy(pHalf + i, pHalf + i - kShortReadPeriod, nCount);
      i += nCount;
    } else {
      const DWORD nCount = std::min(nLength, kShortReadPeriod) - i;
      if (pBefore)
        memcpy(pHalf + i, pBefore + i, nCount);
      else
        memset(pHalf + i, 0, nCount);
      i += nCount;
    }
  }
}
