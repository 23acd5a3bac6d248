set(SUPPORT_DEPS qv_writers)
