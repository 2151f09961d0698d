// What a drop onto a slot button registers: the first of the dropped files,
// folders or links, as the file dialog would have answered it.
#pragma once

#include <optional>
#include <string>

class QMimeData;

namespace sorvel {

// A local file as its path, a local folder as its path with a trailing "/",
// a link (platform/Links.h) as its encoded URL; a plain-text drop counts
// when it is an absolute path or such a link. nullopt when the drop holds
// nothing of the kind.
std::optional<std::string> droppedTarget(const QMimeData& data);

}  // namespace sorvel
