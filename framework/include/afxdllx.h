// For extension DLLs linked with zvfw_extdll: the module's own state and the
// boundary that every export of such a module goes through.
#pragma once

#include "afxwin.h"

// Runs an export's body with the module's state current for the whole call,
// and turns anything thrown into `failure`: no exception reaches the host, and
// the host's module state is back in place on every way out.
template <class Result, class Body>
Result ExportBoundary(Result failure, Body&& body) noexcept {
  try {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return body();
  } catch (...) {
    return failure;
  }
}

template <class Body>
void ExportBoundary(Body&& body) noexcept {
  try {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    body();
  } catch (...) {
  }
}
