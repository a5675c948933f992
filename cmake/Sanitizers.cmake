# Applies VORLIX_SANITIZE to every target of the tree.
if(VORLIX_SANITIZE)
  list(JOIN VORLIX_SANITIZE "," _vorlix_sanitizers)
  add_compile_options(-fsanitize=${_vorlix_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_vorlix_sanitizers})
endif()
