// Reads both files of a comparison on two threads. The comparer takes the
// blocks in order and reads those nobody has read yet; the worker's own
// thread, between the percentages it shows, reads the blocks after them
// through handles of its own. A thread reads a block of file 1 and the same
// block of file 2 with one call each and compares the pair at once, while the
// bytes are still in its processor's cache, so the comparer walks only the
// blocks that differ.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "comparison.h"
#include "scoped_handle.h"

class CmpPipeline {
 public:
  // The comparer reads through hFile1 and hFile2, which stand at the start of
  // the files; nLength bytes of each are compared.
  CmpPipeline(HANDLE hFile1, HANDLE hFile2, ULONGLONG nLength) noexcept;
  CmpPipeline(const CmpPipeline&) = delete;
  CmpPipeline& operator=(const CmpPipeline&) = delete;

  // Before the comparer starts: the thread that calls NextPercent reads ahead
  // too, through handles of its own on the same files. Without them, or short
  // of memory, the comparer reads alone.
  void ReadAheadToo() noexcept;

  // The comparer's side: the blocks after the ones taken before, valid until
  // the next call; each percentage for the other side to show; the end.
  zv::compare::Blocks Next() noexcept;
  void Post(int nPercent) noexcept;
  void Close() noexcept;

  // The other side: the next posted percentage, reading ahead while none
  // waits; false once the comparer has closed and every one was handed out.
  bool NextPercent(int& nPercent) noexcept;

 private:
  // Large reads: under Wine each call costs far more than the bytes it moves.
  // Few slots: every page of the ring costs a fault the first time it is read into.
  static constexpr DWORD kBlockSize = 256 * 1024;
  static constexpr size_t kSlots = 4;

  enum class State : std::uint8_t { kReading, kEqual, kDiffer, kShort, kFailed };
  struct Slot {
    State state;
    DWORD nRead1;  // bytes read of each file, for a short read
    DWORD nRead2;
  };
  // A thread's handles on the two files, and the block both stand at.
  struct Reader {
    HANDLE hFile1;
    HANDLE hFile2;
    ULONGLONG nAt;
  };

  DWORD BlockLength(ULONGLONG nBlock) const;
  // File 1's bytes of the block, then file 2's.
  std::uint8_t* Data(ULONGLONG nBlock) const { return m_ring.get() + nBlock % m_nSlots * 2 * kBlockSize; }
  Slot& SlotOf(ULONGLONG nBlock) const { return m_slots[nBlock % m_nSlots]; }
  ULONGLONG Free() const { return m_nKeptFrom + m_nSlots - m_nClaimed; }
  bool HasRoom() const { return m_nClaimed < m_nBlocks && Free() > 0 && !m_bFailed; }
  void ClaimAndRead(Reader& reader);
  Slot Read(Reader& reader, ULONGLONG nBlock) const;
  void FillShortRead(ULONGLONG nBlock, size_t nHalf, DWORD nRead) const;

  const ULONGLONG m_nLength;
  const ULONGLONG m_nBlocks;
  size_t m_nSlots = 0;
  std::unique_ptr<std::uint8_t[]> m_ring;
  std::unique_ptr<Slot[]> m_slots;
  Reader m_comparer;
  ULONGLONG m_nTaken = 0;  // the comparer's own
  ScopedHandle m_hAhead1;
  ScopedHandle m_hAhead2;
  Reader m_ahead{};
  bool m_bReadAhead = false;  // set before the comparer starts

  SRWLOCK m_lock = SRWLOCK_INIT;
  CONDITION_VARIABLE m_aheadWake = CONDITION_VARIABLE_INIT;
  CONDITION_VARIABLE m_comparerWake = CONDITION_VARIABLE_INIT;
  // The rest is under m_lock. Blocks are counted from the start of the files.
  ULONGLONG m_nClaimed = 0;   // blocks read or being read
  ULONGLONG m_nKeptFrom = 0;  // the first block the comparison still needs
  bool m_bFailed = false;
  int m_percents[101] = {};  // each percentage comes at most once, rising
  size_t m_nPosted = 0;
  size_t m_nShown = 0;
  bool m_bClosed = false;
  bool m_bAheadWaits = false;
  bool m_bComparerWaits = false;
};
