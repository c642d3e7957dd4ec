// Opening a word list: the open-file dialog, parsing, the word table.
#pragma once

#include "platform/platform.h"

namespace kestran {

// The open-file request of the open button; lives for the whole process.
extern plat::OpenFileRequest listOpenRequest;
// Assigns the request's fields (owner MainDialog, filter, listPath, ...);
// with clearFirst the whole record is zeroed before.
void PrepareListOpenRequest(bool clearFirst);

// The open button's action.
void LoadWordList();

}  // namespace kestran
