# web-page.sh: sourced by the scripts that open the browser build's page in
# headless Chromium (test-web.sh, measure-web.sh).
#
# chromium_ready BUILD: Debian's Chromium and python3, and puppeteer-core from
# npm in BUILD/node (not part of the project; tests/web/chromium.mjs loads it).
chromium_ready() {
    bash "$root/scripts/deps.sh" chromium python3
    if [[ ! -d $1/node/node_modules/puppeteer-core ]]; then
        mkdir -p "$1/node"
        (cd "$1/node" && npm install --no-audit --no-fund --silent puppeteer-core@21)
    fi
}

# serve_page FOLDER LOG: serves FOLDER on a free port of the loopback address
# (set in `port`) until the script ends, once the server answers.
serve_page() {
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    python3 -m http.server --bind 127.0.0.1 --directory "$1" "$port" >"$2" 2>&1 &
    page_server=$!
    trap 'kill "$page_server" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null &&
            return
        sleep 0.1
    done
}
