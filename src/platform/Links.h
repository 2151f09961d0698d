// What counts as a link: a target that is opened as an address rather than
// as a file. One rule for the slots, the opener and what is dropped.
#pragma once

#include <cstddef>
#include <string_view>

namespace sorvel {

enum class LinkCase {
    // As the slots take it: a scheme in lower case followed by "://"
    // ("https://", "ftp://", "file://", "sftp://" ...), or "mailto:".
    // "HTTP://" is no link here.
    AsWritten,
    // The opener's: the same, and also the common schemes "http://",
    // "https://", "ftp://", "file://" and "mailto:" in any letter case.
    CommonSchemesAnyCase,
};

// Length of the link's scheme (without the colon), 0 when the text is no
// link under the given rule.
size_t linkSchemeLength(std::string_view text, LinkCase rule = LinkCase::AsWritten);

}  // namespace sorvel
