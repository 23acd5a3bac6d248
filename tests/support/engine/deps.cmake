set(SUPPORT_DEPS qv_engine qv_platform support_system GTest::gtest)
set(SUPPORT_DEFINITIONS QV_PROGRAM_DIR="${QUORVANE_PROGRAM_DIR}")
