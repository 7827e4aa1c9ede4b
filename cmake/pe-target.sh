# Sourced by the checks: what a Windows module's architecture means for the
# tools that read it. Sets mingw (the binutils prefix that reads the module),
# pointer (bytes of an address) and underscore (what the C compiler puts before
# a symbol's name: i386 adds '_', x86_64 nothing).
#   pe_target MODULE
pe_target() {
    if llvm-readobj --file-headers "$1" | grep -q 'IMAGE_FILE_MACHINE_AMD64'; then
        mingw=x86_64-w64-mingw32 pointer=8 underscore=
    else
        mingw=i686-w64-mingw32 pointer=4 underscore=_
    fi
}
