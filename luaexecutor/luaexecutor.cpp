// Lua executor is built here.
