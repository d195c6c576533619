// ConfigParser and loadSettings are built here.
