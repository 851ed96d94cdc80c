# The check run against the private test Dovecot (tests/CMakeLists.txt starts
# it as a fixture). Each program changes the mailbox of one user of its own.
add_library(ombrix_test_dovecot_check STATIC dovecot_check.cpp)
target_link_libraries(ombrix_test_dovecot_check PUBLIC ombrix_check ombrix_test_dovecot)
ombrix_warnings(ombrix_test_dovecot_check)
ombrix_test_compile_options(ombrix_test_dovecot_check)

ombrix_dovecot_test(dovecot_pop3_check_test
    SOURCES dovecot_pop3_check_test.cpp LIBS ombrix_test_dovecot_check LOCK erin
    PROGRAM check_tests)
ombrix_dovecot_test(dovecot_imap_check_test
    SOURCES dovecot_imap_check_test.cpp LIBS ombrix_test_dovecot_check LOCK frank
    PROGRAM check_tests)

ombrix_dovecot_test(dovecot_cli_test
    SOURCES dovecot_cli_test.cpp ${PROJECT_SOURCE_DIR}/tests/cli/run_program.cpp
    LIBS ombrix_test_dovecot_check LOCK grace PROGRAM check_tests)
target_compile_definitions(check_tests PRIVATE OMBRIX_EXECUTABLE="$<TARGET_FILE:ombrix>")
add_dependencies(check_tests ombrix)

# The take-over of known mails by the check (no server needed).
ombrix_test(account_check_test SOURCES account_check_test.cpp LIBS ombrix_test_dovecot_check
    PROGRAM check_tests)

# Trust on first use against the second test Dovecot, whose certificate no
# test trusts; the program replaces that server's certificate.
ombrix_dovecot_test(dovecot_trust_test
    SOURCES dovecot_trust_test.cpp ${PROJECT_SOURCE_DIR}/tests/cli/run_program.cpp
    LIBS ombrix_test_dovecot_check ombrix_test_loopback LOCK alice UNTRUSTED_CERTIFICATE
    PROGRAM check_tests)

# OAuth accounts: bearer tokens that the test Dovecot validates itself.
ombrix_dovecot_test(dovecot_oauth_check_test
    SOURCES dovecot_oauth_check_test.cpp LIBS ombrix_test_dovecot_check LOCK trent
    PROGRAM check_tests)

# The wire of few round trips against the one-mail dialogue, byte for byte.
ombrix_dovecot_test(dovecot_wire_equality_test
    SOURCES dovecot_wire_equality_test.cpp LIBS ombrix_test_dovecot_check LOCK quinn
    PROGRAM check_tests)

# Read marks that follow the server's \Seen, with CONDSTORE and IDLE.
ombrix_dovecot_test(dovecot_read_state_test
    SOURCES dovecot_read_state_test.cpp LIBS ombrix_test_dovecot_check ombrix_idle LOCK vera
    PROGRAM check_tests)
