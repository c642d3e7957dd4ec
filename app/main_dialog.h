// The main dialog: its template, its procedure and the encoder lookup used
// to write the background bitmap.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace kestran {

inline constexpr int kMainDialogResource = 101;

// The dialog template (caption, font, size, the answer box and the slider).
const plat::DialogTemplate& MainDialogTemplate();

std::intptr_t MainDialogProc(plat::Window dialog, plat::MessageId message, plat::WParam wParam, plat::LParam lParam);

// Index of the encoder for the UTF-16 MIME type, its class id in classId; -1 if none.
int LookUpEncoder(const char16_t* mimeType, plat::Guid* classId);

}  // namespace kestran
