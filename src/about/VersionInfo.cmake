# hozonix_add_version_info(<target>): writes the program's version strings into the section
# ".hozonix_version" of an executable, where ReadFileVersion finds them in the program file on disk.
# The table key "041103A4" is Japanese (0x0411) in code page 932 (0x03A4), kept from the program's
# earlier releases; the translation list may hold more pairs, of which readers use the first.

function(hozonix_add_version_info target)
    # From project(): the file version is the whole number, the product version the release.
    set(HOZONIX_FILE_VERSION "${PROJECT_VERSION}")
    set(HOZONIX_PRODUCT_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
    set(HOZONIX_PROGRAM_NAME "Hozonix")
    set(HOZONIX_COMPANY_NAME "Korimaru")
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_info.cpp")
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VersionInfoSection.cpp.in" "${out}" @ONLY)
    target_sources(${target} PRIVATE "${out}")
endfunction()
