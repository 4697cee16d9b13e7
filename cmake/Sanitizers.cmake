# QUORLIN_SANITIZE: build every target with AddressSanitizer (leak checking
# included) and UndefinedBehaviorSanitizer. Every executable links the runtime
# defaults of sanitizer_defaults.cpp, so a plain `ctest` in such a build stops
# at the first report without any environment set up.
option(QUORLIN_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(QUORLIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_library(quorlin_sanitizer_defaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.cpp)
  link_libraries(quorlin_sanitizer_defaults)
endif()
