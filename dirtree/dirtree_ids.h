// Ids of the directory tree dialog and its controls, shared by
// resources/dirtree.rc, the dialog and the tests.
#pragma once

#define IDD_DIRTREE 130

#define IDC_DIRTREE_TREE 1020
#define IDC_DIRTREE_FILES 1021
#define IDC_DIRTREE_COPY 1022
// Also the dialog's end code when a folder was chosen.
#define IDC_DIRTREE_GOTO 1023
#define IDC_DIRTREE_RELOAD 1024
