// "IPのコピー": the machine's local address onto the clipboard, the same text
// the slot page shows after "ローカルIP:".
#pragma once

#include "platform/Services.h"

namespace sorvel {

// Returns false (the clipboard keeping its old contents) when it fails.
bool CopyLocalAddress(LocalAddress& address, Clipboard& clipboard);

}  // namespace sorvel
