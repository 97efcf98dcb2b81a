# What distributions build with, for every program that ships, and what
# keeps two builds of one commit byte for byte the same.

# No build folder or source folder in the objects.
target_compile_options(cpubusy_options INTERFACE
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)

if(WIN32)
  # Address space layout randomisation (with the relocations it needs),
  # no execution from data pages, no Terminal Server compatibility shims,
  # and no link time stamp in the header. Stripped here, as a later strip
  # would stamp the header with its own time.
  set(flags -s -Wl,--dynamicbase,--nxcompat,--tsaware,--no-insert-timestamp)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND flags -Wl,--high-entropy-va)
  endif()
  target_link_options(cpubusy_options INTERFACE ${flags})
elseif(CPUBUSY_HARDEN)
  # dpkg-buildflags' hardening=+all: the strong stack protector, fortified
  # C library calls, stack clash protection, full RELRO with immediate
  # binding and PIE; and control-flow protection where the architecture
  # has it.
  target_compile_options(cpubusy_options INTERFACE
    -fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
  # Fortified calls need an optimised build; a level that the distribution's
  # flags or compiler set already stays. Each configuration is tried with its
  # flags, under a name that changes with them.
  include(CheckCXXSourceCompiles)
  set(optimised "")
  set(fortify "")
  foreach(CMAKE_TRY_COMPILE_CONFIGURATION IN LISTS CMAKE_BUILD_TYPE CMAKE_CONFIGURATION_TYPES)
    string(TOUPPER "${CMAKE_TRY_COMPILE_CONFIGURATION}" config)
    string(MD5 key "${CMAKE_CXX_COMPILER} ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${config}}")
    check_cxx_source_compiles("#ifndef __OPTIMIZE__\n#error\n#endif\nint main() {}" CPUBUSY_OPTIMISED_${key})
    check_cxx_source_compiles("#ifdef _FORTIFY_SOURCE\n#error\n#endif\nint main() {}" CPUBUSY_UNFORTIFIED_${key})
    if(CPUBUSY_OPTIMISED_${key})
      string(APPEND optimised ",$<CONFIG:${CMAKE_TRY_COMPILE_CONFIGURATION}>")
      if(CPUBUSY_UNFORTIFIED_${key})
        string(APPEND fortify ",$<CONFIG:${CMAKE_TRY_COMPILE_CONFIGURATION}>")
      endif()
    endif()
  endforeach()
  unset(CMAKE_TRY_COMPILE_CONFIGURATION)
  set(CPUBUSY_OPTIMISED "$<OR:0${optimised}>")  # for the hardened test
  target_compile_definitions(cpubusy_options INTERFACE "$<$<OR:0${fortify}>:_FORTIFY_SOURCE=2>")
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
    target_compile_options(cpubusy_options INTERFACE -fcf-protection)
  elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    target_compile_options(cpubusy_options INTERFACE -mbranch-protection=standard)
  endif()
  target_link_options(cpubusy_options INTERFACE -Wl,-z,relro -Wl,-z,now)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
