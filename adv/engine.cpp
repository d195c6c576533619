// Engine state is built here.
