# Sourced by the benchmark scripts: an application folder for a demo store.
# bench_app_folder BIN STORE APP COUNT: copies the shipped scripts from BIN
# into APP, points the catalogue at STORE (the shipped one names the demo
# store's fixed port) and writes a watch list of the store's first COUNT
# products, every version already acknowledged.
bench_app_folder() {
    local bin=$1 store=$2 app=$3 count=$4 detail
    mkdir -p "$app/cache"
    cp -R "$bin/scripts" "$bin/data" "$bin/web" "$app/"
    sed -i "s#http://127.0.0.1:[0-9]*#$store#g" "$app/scripts/scripts.txt"
    detail=$(sed -n 's/.*<productDetail url="\([^"]*\)".*/\1/p' "$app/scripts/scripts.txt")
    curl -fsS --noproxy '*' --max-time 30 "$store/admin/products.tsv" |
        awk -F'\t' -v prefix="$detail" -v wanted="$count" '
        function esc(s) {
            gsub(/&/, "\\&amp;", s); gsub(/</, "\\&lt;", s); gsub(/>/, "\\&gt;", s)
            gsub(/"/, "\\&quot;", s); gsub(/\047/, "\\&#039;", s)
            return s
        }
        BEGIN { printf "<vertrel version=\"1.0\">\r\n" }
        found < wanted {
            printf "    <product productURL=\"%s\" productID=\"%s\" productName=\"%s\" productCompany=\"\"", esc(prefix $1), $1, esc($3)
            printf " productVersion=\"%s\" productDate=\"\" productDescription=\"\" previousVersion=\"%s\"", esc($2), esc($2)
            printf " lastReload=\"\" isNew=\"0\" keepNew=\"0\" groupType=\"0\"/>\r\n"
            found++
        }
        END { printf "</vertrel>\r\n"; if (found != wanted) exit 1 }' >"$app/cache/productList.txt"
}
