// What the framework's sources share and nobody else sees.
#pragma once

#include <afxwin.h>

namespace zvfw {

void InitBaseModuleState(HINSTANCE hExe);

// Frees what the framework keeps for the calling thread.
void ReleaseThreadData();

// The window being created on this thread, attached by the creation hook.
CWnd*& WindowInCreation();

// The permanent map: windows owned by framework objects.
void MapPermanent(HWND hWnd, CWnd* pWnd);
void UnmapPermanent(HWND hWnd);

// The window a message box shown now should belong to: the active window of
// this thread, or its top-level owner, else null.
HWND DefaultOwner();

// The owner of a modal window: the parent's top-level window, else DefaultOwner().
HWND ModalOwner(CWnd* pParentWnd);

// Drops the wrappers of windows that no longer exist, unless temporary objects are locked.
void PruneTemporaries();

}  // namespace zvfw
