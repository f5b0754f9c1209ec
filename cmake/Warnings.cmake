# Warning flags for every target of the project; CI adds -Werror through PROJECT_WERROR.
add_compile_options(-Wall -Wextra -Wshadow -Wformat=2 -Wpedantic)
if(PROJECT_WERROR)
  add_compile_options(-Werror)
endif()
