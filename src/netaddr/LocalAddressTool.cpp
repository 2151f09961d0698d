#include "netaddr/LocalAddressTool.h"

namespace sorvel {

bool CopyLocalAddress(LocalAddress& address, Clipboard& clipboard) {
    const std::string ip = address.localIp();
    if (ip.empty()) return false;
    return clipboard.setText(ip);
}

}  // namespace sorvel
