set(SUPPORT_DEPS support_cfb support_ovba)
