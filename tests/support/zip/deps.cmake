set(SUPPORT_DEPS PkgConfig::MINIZIP qv_writers)
