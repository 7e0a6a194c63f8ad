# Private sessions shared by many tests (scripts/session.py): one X server,
# audio server, bus or Wine prefix started once for all the tests that need
# it, rather than once per test.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
get_filename_component(TARNWICK_SESSION_PY "${CMAKE_CURRENT_LIST_DIR}/../scripts/session.py" ABSOLUTE)
# Plays the game in a session as a player does: TARNWICK_PLAYER COMMAND... -- STEP...
set(TARNWICK_PLAYER ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/../tests/support/player.py)

# tarnwick_session_fixture(NAME [--screen WxH] [--wm openbox|mutter]
#                          [--pulse] [--bus] [--no-x] [--wine])
# Adds the tests NAME.start and NAME.stop, the setup and clean-up of the
# fixture NAME, and sets TARNWICK_IN_<NAME>, the command prefix that runs a
# program in the session. A test using it has FIXTURES_REQUIRED NAME, and
# RESOURCE_LOCK NAME where the tests must not share the session at once.
# Should CTest itself die, the session ends with it.
function(tarnwick_session_fixture name)
    set(session ${Python3_EXECUTABLE} ${TARNWICK_SESSION_PY})
    set(handle ${CMAKE_BINARY_DIR}/sessions/${name})
    add_test(NAME ${name}.start COMMAND ${session} start ${handle} ${ARGN})
    add_test(NAME ${name}.stop COMMAND ${session} stop ${handle})
    set_tests_properties(${name}.start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 120)
    set_tests_properties(${name}.stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
    set(TARNWICK_IN_${name} ${session} exec ${handle} -- PARENT_SCOPE)
endfunction()
