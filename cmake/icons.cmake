# The artwork's SVG files as a Qt resource, and the application icon for the
# hicolor theme.
