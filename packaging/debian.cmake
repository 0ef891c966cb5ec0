# The Debian package, made by `cpack -G DEB` in a build tree configured with
# -DCMAKE_INSTALL_PREFIX=/usr (scripts/package.sh does both). dpkg-shlibdeps
# works out what it depends on from the programs and libraries inside.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarlen)
set(CPACK_PACKAGE_VENDOR "The tarlen developers")
set(CPACK_PACKAGE_CONTACT "The tarlen developers <maintainers@tarlen.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-pane client for FTP, FTPS and SFTP servers")
set(CPACK_PACKAGE_DESCRIPTION [=[
tarlen shows the local disk and a server side by side and copies files
between them with buttons or by dragging, writing every step of the talk
with the server to a log. It speaks FTP, FTP over TLS, implicit FTPS and
SFTP, trusts certificates and SSH host keys on first use, keeps host
profiles and queues transfers that resume after an interruption.
.
The package also holds the Vantel list control (libvantel), its headers,
its CMake package and its Qt Designer plugin.]=])
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tarlen.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window system plugins (xcb, ...) at run time: no library links
# them, so dpkg-shlibdeps cannot see that tarlen needs them to start. Nor
# can it see libsecret, which QtKeychain loads to reach the desktop's keyring.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libsecret-1-0")
# libvantel's shlibs entry (other packages can depend on it). A shared library
# in the system's folder also wants the ldconfig trigger, which CPack does not
# add by itself.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
