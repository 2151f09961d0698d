#include "platform/Executable.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace sorvel {

bool canStartDirectly(const std::string& path) {
    if (path.empty() || ::access(path.c_str(), X_OK) != 0) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    bool ok = false;
    struct stat st {};
    struct statvfs vfs {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fstatvfs(fd, &vfs) == 0 && !(vfs.f_flag & ST_NOEXEC)) {
        char head[4] = {};
        const ssize_t n = ::read(fd, head, sizeof head);
        ok = (n >= 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) || (n >= 2 && head[0] == '#' && head[1] == '!');
    }
    ::close(fd);
    return ok;
}

}  // namespace sorvel
