# Compiler and linker flags of the sanitizer and fuzzing builds, for every
# target of the tree (module, OpenGL layer, simulator, tests):
#   IRX_SANITIZE=address  AddressSanitizer with LeakSanitizer and UBSan
#   IRX_SANITIZE=thread   ThreadSanitizer
#   IRX_BUILD_FUZZER=ON   coverage for libFuzzer everywhere (clang), with ASan
#                         unless IRX_SANITIZE picks another sanitizer
if(IRX_BUILD_FUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "IRX_BUILD_FUZZER needs clang (libFuzzer)")
  endif()
  if(NOT IRX_SANITIZE)
    set(IRX_SANITIZE address)
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(IRX_SANITIZE STREQUAL "address")
  set(IRX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined)
elseif(IRX_SANITIZE STREQUAL "thread")
  set(IRX_SANITIZER_FLAGS -fsanitize=thread)
elseif(IRX_SANITIZE)
  message(FATAL_ERROR "IRX_SANITIZE must be address or thread, not '${IRX_SANITIZE}'")
endif()

if(IRX_SANITIZER_FLAGS)
  add_compile_options(${IRX_SANITIZER_FLAGS} -fno-omit-frame-pointer)
  add_link_options(${IRX_SANITIZER_FLAGS})
endif()
