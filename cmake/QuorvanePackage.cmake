# The Debian package, made by CPack's DEB generator from the install rules (scripts/package).
# Runtime library dependencies come from dpkg-shlibdeps; what the programs load without
# linking (a CJK font for the Chinese user interface) is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_CONTACT "Quorvane maintainers <maintainers@users.noreply.c-seed-9faaad6c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "macro virus scanner for office documents")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quorvane finds macro viruses in Word, Excel and PowerPoint documents\n"
    "(the compound-file formats and the macro-enabled Open XML packages)\n"
    "and removes them. Every infected document is first copied, scrambled,\n"
    "into a quarantine folder, then repaired in place or deleted; a\n"
    "quarantined copy can be turned back into a normal file at any time.\n"
    "\n"
    "The package holds the GUI program (Chinese user interface), the\n"
    "command-line scanner quorvane-scan, the signature compiler vlbc and\n"
    "quorvane-samples, which writes harmless documents carrying a test\n"
    "signature. Each user's quarantine lies in their own data folder.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorvane.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk | fonts-arphic-ukai")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Files and folders owned by root, readable by everyone; programs executable.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
