// FMF loader is built here.
