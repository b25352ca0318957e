#pragma once

// Binds each COM interface to its IID at the type, so that every call that asks for
// an interface by IID (QueryInterface, CoCreateInstance, a handler's own
// QueryInterface) takes both from one name and cannot pair the wrong two. Included
// only by *_win files.

#include <unknwn.h>

namespace quillmar {

// The IID of INTERFACE. The system headers bind theirs through __uuidof; each
// interface declared by hand specialises this next to its declarations. Nothing is
// inherited: an interface with neither binding does not compile (__uuidof of it has
// no constant value), so one that extends another can never be asked for by its
// base's IID.
template <typename Interface>
inline constexpr GUID kInterfaceId = __uuidof(Interface);

}  // namespace quillmar
