# SPDX-FileCopyrightText: 2026 tavowatch developers
# SPDX-License-Identifier: GPL-3.0-or-later
add_compile_options(-Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
if(TAVOWATCH_WERROR)
    add_compile_options(-Werror)
endif()
