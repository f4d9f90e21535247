# Writes the service worker into the site with this build's version: a digest of every other file
# of the site, so that any change to the page or the core makes a new service worker.
#   cmake -DSITE=<site folder> -DSOURCE=<sw.js> -P stamp.cmake
file(GLOB files LIST_DIRECTORIES false RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(digests "")
foreach(name IN LISTS files)
  file(SHA256 ${SITE}/${name} digest)
  string(APPEND digests "${name} ${digest}\n")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 KESTROW_SITE_VERSION)
configure_file(${SOURCE} ${SITE}/sw.js @ONLY)
