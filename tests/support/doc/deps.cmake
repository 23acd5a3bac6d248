set(SUPPORT_DEPS qv_storage qv_common qv_platform support_system)
