# Shared compile settings. Our libraries and programs link Sonavex::settings; tests link
# Sonavex::testSettings, which keeps the warnings but lets literals convert to QString.
add_library(sonavex_warnings INTERFACE)
target_compile_features(sonavex_warnings INTERFACE cxx_std_20)
target_compile_options(sonavex_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
if(SONAVEX_WERROR)
    target_compile_options(sonavex_warnings INTERFACE -Werror)
endif()
if(SONAVEX_SANITIZE)
    target_compile_options(sonavex_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(sonavex_warnings INTERFACE -fsanitize=address,undefined)
    # clang 14 cannot compile coroutines under the function check that "undefined" brings.
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(sonavex_warnings INTERFACE -fno-sanitize=function)
    endif()
endif()

add_library(sonavex_settings INTERFACE)
add_library(Sonavex::settings ALIAS sonavex_settings)
target_link_libraries(sonavex_settings INTERFACE sonavex_warnings)
target_compile_definitions(sonavex_settings INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT)

add_library(sonavex_test_settings INTERFACE)
add_library(Sonavex::testSettings ALIAS sonavex_test_settings)
target_link_libraries(sonavex_test_settings INTERFACE sonavex_warnings)
target_compile_definitions(sonavex_test_settings INTERFACE QT_RESTRICTED_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT)

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

# Manual pages and the change log are installed compressed, as Debian wants them; -n keeps the
# gzip header free of names and times, so the package is reproducible.
function(sonavex_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    get_filename_component(path ${source} ABSOLUTE)
    set(zipped ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${zipped} COMMAND gzip -9nc ${path} > ${zipped} DEPENDS ${path})
    add_custom_target(gzip_${name} ALL DEPENDS ${zipped})
    install(FILES ${zipped} DESTINATION ${destination})
endfunction()
