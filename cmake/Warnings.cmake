# Warnings of the tree. VORLIX_WERROR turns every warning into an error (CI builds switch it on),
# so that a new warning cannot slip in unseen.
option(VORLIX_WERROR "Treat compiler warnings as errors" OFF)
add_compile_options(-Wall -Wextra)
if(VORLIX_WERROR)
  add_compile_options(-Werror)
endif()

# The stricter warnings for code that does pixel and size arithmetic, where a silent narrowing
# or a shadowed name turns into wrong pixels: vorlix_strict_warnings(target...)
function(vorlix_strict_warnings)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wsign-conversion)
  endforeach()
endfunction()
