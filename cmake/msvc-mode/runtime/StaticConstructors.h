#pragma once

namespace msvcmode {

// Runs the image's static constructors, in the order the compiler listed them
// between the sections .CRT$XCA and .CRT$XCZ (the linker sorts them by name).
void RunStaticConstructors();

} // namespace msvcmode
