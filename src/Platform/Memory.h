#pragma once

namespace kestal::platform {

// Lets the memory of one packet serve the next instead of going back to the
// system after each; call once at start.
void KeepFreedMemory();

}  // namespace kestal::platform
