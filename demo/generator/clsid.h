// Class IDs of the demo codec libraries, derived from their payload names.
//
// Each codec file of the demo payload registers a class of its own. Its class ID is a hash of the
// file's payload name ("App\Codec\SysCodec\qsTee.ax"), ASCII letters taken in lower case, laid
// out as a version-8 UUID (the form RFC 9562 leaves to the application), so the same name always
// gives the same ID and names differing only in letter case give the same ID too.
#pragma once

#include <string>
#include <string_view>

namespace quenlo::demo {

// The registry form "{XXXXXXXX-XXXX-8XXX-YXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::string ClsidForName(std::string_view payloadName);

// True when `text` has the registry form of a class ID (any hexadecimal digits, either case).
bool IsRegistryClsid(std::string_view text);

}  // namespace quenlo::demo
