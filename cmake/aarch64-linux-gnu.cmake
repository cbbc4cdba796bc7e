# Cross-compiling for 64-bit ARM Linux with Debian's cross compilers (crossbuild-essential-arm64) against
# Debian's arm64 library packages, installed beside the native ones (multiarch: headers in
# /usr/include/aarch64-linux-gnu, libraries in /usr/lib/aarch64-linux-gnu, where the cross compilers look).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_AR aarch64-linux-gnu-ar CACHE FILEPATH "")
set(CMAKE_RANLIB aarch64-linux-gnu-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP aarch64-linux-gnu-strip CACHE FILEPATH "")
# The cross pkg-config reads only the arm64 .pc files (and the architecture-independent ones).
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "")

# Programs of the build machine, libraries and headers of the arm64 packages only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# The built programs run under qemu-user (the arm64 loader and libraries are where multiarch puts them).
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
