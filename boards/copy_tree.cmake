# cmake -DSOURCE=<dir> -DDESTINATION=<dir> -P copy_tree.cmake: copies SOURCE into DESTINATION,
# symbolic links as links.
file(COPY ${SOURCE} DESTINATION ${DESTINATION})
