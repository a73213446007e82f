# The linker. The tree links some two hundred programs (tests, benchmarks),
# each with most of the libraries: lld does that several times faster than
# the default linker. Where the compiler cannot use it, the default links.
option(VELMORA_LLD "Link with lld where the compiler can use it" ON)
if(VELMORA_LLD)
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_LINK_OPTIONS -fuse-ld=lld)
    check_cxx_source_compiles("int main() { return 0; }" VELMORA_HAVE_LLD)
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    if(VELMORA_HAVE_LLD)
        add_link_options(-fuse-ld=lld)
    endif()
endif()
