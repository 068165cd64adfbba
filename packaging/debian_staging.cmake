# Run by CPack on its staging folder, after the install and before the
# Debian package is made: the files Debian policy asks of every package.
set(root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${root}/${CPACK_KINETTA_DOC_DIR})

# The copyright file carries the licence; a second copy would be redundant.
file(REMOVE ${doc}/LICENSE)
file(COPY_FILE ${CPACK_KINETTA_COPYRIGHT} ${doc}/copyright)
# The version has no Debian revision, so this is a native package, whose
# changelog lintian expects as changelog.gz (changelog.Debian.gz is for
# packages of someone else's upstream release).
file(COPY_FILE ${CPACK_KINETTA_CHANGELOG} ${doc}/changelog.gz)
# Copies keep the source's mode, which depends on the checkout's umask.
file(CHMOD ${doc}/copyright ${doc}/changelog.gz PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
     WORLD_READ)

# CPack's strip keeps the compiler's .comment notes; dh_strip drops them.
execute_process(COMMAND ${CPACK_KINETTA_STRIP} --remove-section=.comment ${root}/bin/kinetta
                COMMAND_ERROR_IS_FATAL ANY)
