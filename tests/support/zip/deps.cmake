set(SUPPORT_DEPS PkgConfig::MINIZIP ZLIB::ZLIB support_cfb support_ovba)
