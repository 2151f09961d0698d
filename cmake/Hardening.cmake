# Hardening of everything we compile and link (Debian's usual set):
#   -fstack-protector-strong, PIE, -Wl,-z,relro,-z,now   always;
#   -D_FORTIFY_SOURCE=2   only where the compiler optimises (it needs it) and
#                         not in sanitizer builds (ASan has its own checks and
#                         the fortified wrappers hide calls from it).
# SORVEL_HARDENING=OFF turns all of it off, e.g. for a fuzz or profile build.
option(SORVEL_HARDENING "Build with stack protector, fortified functions, PIE and full RELRO" ON)
if(NOT SORVEL_HARDENING)
  return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro,-z,now)

# A fortify level given from outside (dpkg-buildflags, a distribution's
# CPPFLAGS) stays as it is; a sanitizer build gets none.
set(_sorvel_all_flags "${CMAKE_CXX_FLAGS}")
foreach(cfg DEBUG RELEASE RELWITHDEBINFO MINSIZEREL)
  string(APPEND _sorvel_all_flags " ${CMAKE_CXX_FLAGS_${cfg}}")
endforeach()
if(NOT _sorvel_all_flags MATCHES "_FORTIFY_SOURCE" AND NOT _sorvel_all_flags MATCHES "-fsanitize=")
  add_compile_options($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>
                      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
endif()
unset(_sorvel_all_flags)
