# The version and release day the build took from debian/changelog are the
# ones Debian's own parser reads there.
add_test(NAME version_is_the_changelogs
  COMMAND sh -c "v=$(dpkg-parsechangelog -l \"$0\" -S Version) && d=$(date -u -d \"$(dpkg-parsechangelog -l \"$0\" -S Date)\" +%F) &&
                 [ \"$v $d\" = \"$1 $2\" ] || { echo \"debian/changelog: $v $d, the build: $1 $2\"; exit 1; }"
          ${PROJECT_SOURCE_DIR}/debian/changelog ${PROJECT_VERSION} ${ZINDLE_RELEASE_DATE})
