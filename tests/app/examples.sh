#!/bin/bash
# The demo reports on a freshly generated demo database and the bundled CSV file: the
# values in their pages, --data (the reader chosen by the file's extension) and --set, and
# clear errors for unknown names.
kavrel=$1
examples=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$examples"/*.kv3 "$examples"/products.csv "$examples"/logo.png "$work"/
python3 "$examples/make_demo_db.py" "$work/demo.db" > /dev/null || fail "demo database"
sum=$(python3 - "$work/demo.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
print(db.execute("""select count(*) from (select sum(l.quantity * l.unit_price * (1 - l.discount)) r
    from customers c join orders o on o.customer_id = c.id join order_lines l on l.order_id = o.id
    where o.status <> 'cancelled' group by c.id) where r > 8000""").fetchone()[0])
PY
)

expect 0 "$kavrel" prepare "$work/customers.kv3" -o "$work/c.kw3" --dump > "$work/c"
grep -q "\"$sum customers bought for more than 8,000.00.\"" "$work/c" || fail "customers: script count ($sum)"
[ "$(grep -c 'GroupCount' "$work/c")" = 7 ] || fail "customers: one footer per country"
grep -q '"Page 2 of \[TotalPages#\]"' "$work/c" || fail "customers: page footers"

expect 0 "$kavrel" prepare "$work/invoice.kv3" -o "$work/i.kw3" --dump > "$work/i"
[ "$(grep -c '^page ' "$work/i")" = 6 ] || fail "invoice: not one page per order"
grep -q '"No. 000002"' "$work/i" || fail "invoice: number format"
grep -q '"CANCELLED"' "$work/i" || fail "invoice: script stamp"
grep -q 'TkavPictureView Logo' "$work/i" || fail "invoice: logo"
# --set changes a report variable the query's parameters use.
expect 0 "$kavrel" prepare "$work/invoice.kv3" -o "$work/i2.kw3" --dump --set FirstOrder=3 --set LastOrder=4 > "$work/i2"
[ "$(grep -c '^page ' "$work/i2")" = 2 ] || fail "invoice --set: not 2 pages"
grep -q '"No. 000003"' "$work/i2" || fail "invoice --set: first order"
# A query given a JSON file gives way to a JSON data set of its name.
printf '[{"code": "Z-1", "name": "From JSON", "quantity": 2, "unit_price": 1.5, "discount": 0, "amount": 3}]\n' > "$work/lines.json"
expect 0 "$kavrel" prepare "$work/invoice.kv3" -o "$work/i3.kw3" --dump --set FirstOrder=1 --set LastOrder=1 \
    --data Lines="$work/lines.json" > "$work/i3"
[ "$(grep -c '"From JSON"' "$work/i3")" = 1 ] || fail "invoice --data .json for a query"
expect 1 "$kavrel" prepare "$work/products.kv3" -o "$work/x.kw3" --data Products="$work/demo.db" 2> "$work/err"
grep -q '"Products" reads files: give it a .csv or .json file' "$work/err" || fail "database file for a CSV data set"

expect 0 "$kavrel" prepare "$work/products.kv3" -o "$work/p.kw3" --dump > "$work/p"
grep -q '"41 products; 10 of them cost less than 5.00 (in green)."' "$work/p" || fail "products summary"
grep -qF '"Croissants, "butter""' "$work/p" || fail "products: quoted CSV field"
# --data points the CSV data set at another file.
printf 'code,name,category,unit,unit_price\nX-1,Only one,Misc,piece,2.5\n' > "$work/other.csv"
expect 0 "$kavrel" prepare "$work/products.kv3" -o "$work/p2.kw3" --dump --data Products="$work/other.csv" > "$work/p2"
grep -q '"1 products; 1 of them cost less than 5.00 (in green)."' "$work/p2" || fail "products --data"
# The file's extension picks the reader: a JSON file for the CSV data set is read as JSON.
printf '[{"code": "J-1", "name": "From JSON", "category": "Misc", "unit": "jar", "unit_price": 7},\n %s]\n' \
    '{"code": "J-2", "name": "Also JSON", "category": "Misc", "unit": "jar", "unit_price": 3.5}' > "$work/other.json"
expect 0 "$kavrel" prepare "$work/products.kv3" -o "$work/p3.kw3" --dump --data Products="$work/other.json" > "$work/p3"
grep -q '"2 products; 1 of them cost less than 5.00 (in green)."' "$work/p3" || fail "products --data .json"
grep -q '"From JSON"' "$work/p3" || fail "products --data .json: rows"
# A template that names a data set it does not have is run over the file given for it.
sed -e '/<TkavCSVDataSet /d' -e 's/<item DataSet="Products" DataSetName="Products"\/>//' \
    -e 's/ DataSet="Products" DataSetName="Products"/ DataSetName="Products"/' "$work/products.kv3" > "$work/undeclared.kv3"
grep -q 'TkavCSVDataSet' "$work/undeclared.kv3" && fail "undeclared.kv3 still declares the data set"
expect 0 "$kavrel" prepare "$work/undeclared.kv3" -o "$work/u.kw3" --dump --data Products="$work/other.csv" > "$work/u"
grep -q '"1 products; 1 of them cost less than 5.00 (in green)."' "$work/u" || fail "undeclared data set: $(grep Summary "$work/u")"

expect 1 "$kavrel" prepare "$work/products.kv3" -o "$work/x.kw3" --data Nothing=a.csv 2> "$work/err"
grep -q 'no file data set, query or database is named "Nothing"' "$work/err" || fail "unknown --data message"
expect 1 "$kavrel" prepare "$work/invoice.kv3" -o "$work/x.kw3" --set Nope=1 2> "$work/err"
grep -q 'the report has no variable "Nope"' "$work/err" || fail "unknown --set message"
expect 2 "$kavrel" prepare "$work/invoice.kv3" -o "$work/x.kw3" --set broken 2> /dev/null
# The dialog page of orders_period.kv3: without a screen its design values stand (as if OK
# was pressed), --set gives its controls values by name, --no-dialogs skips it.
count() {
    python3 - "$work/demo.db" "$@" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
print(db.execute("""select count(*) from orders o join customers c on c.id = o.customer_id
    where o.order_date between ? and ? and c.country = ? and o.status <> 'cancelled'""",
    sys.argv[2:5]).fetchone()[0])
PY
}
expect 0 "$kavrel" prepare "$work/orders_period.kv3" -o "$work/o.kw3" --dump > "$work/o"
grep -q '"Orders from Germany"' "$work/o" || fail "orders_period: country of the design"
grep -q '"From 2025-01-01 to 2025-03-31, without cancelled orders"' "$work/o" || fail "orders_period: period"
n=$(count 2025-01-01 2025-03-31 Germany)
grep -q "\"$n orders\"" "$work/o" || fail "orders_period: $n orders expected: $(grep OrderCount "$work/o")"
expect 0 "$kavrel" prepare "$work/orders_period.kv3" -o "$work/o2.kw3" --dump \
    --set DateFrom=2025-02-01 --set DateTo=2025-06-30 --set Country=Portugal > "$work/o2"
n=$(count 2025-02-01 2025-06-30 Portugal)
grep -q '"Orders from Portugal"' "$work/o2" || fail "orders_period --set: country"
grep -q "\"$n orders\"" "$work/o2" || fail "orders_period --set: $n orders expected: $(grep OrderCount "$work/o2")"
# A reversed period: the dialog's close query refuses OK, so the run stops with a message.
expect 1 "$kavrel" prepare "$work/orders_period.kv3" -o "$work/x.kw3" --set DateFrom=2025-12-01 2> "$work/err"
grep -q 'the dialog page Ask answered Cancel: the report did not run' "$work/err" || fail "refused dialog message: $(cat "$work/err")"
# --no-dialogs skips the page, its close query too.
expect 0 "$kavrel" prepare "$work/orders_period.kv3" -o "$work/o3.kw3" --dump --no-dialogs --set DateFrom=2025-12-01 > "$work/o3"
grep -q '"From 2025-12-01 to 2025-03-31, without cancelled orders"' "$work/o3" || fail "--no-dialogs"
expect 1 "$kavrel" prepare "$work/orders_period.kv3" -o "$work/x.kw3" --set DateFrom=someday 2> "$work/err"
grep -q 'DateFrom takes a date such as 2025-01-31, not "someday"' "$work/err" || fail "bad date message: $(cat "$work/err")"
expect 0 "$kavrel" export "$work/orders_period.kv3" -o "$work/o.pdf" --set Country=Italy
[ -s "$work/o.pdf" ] || fail "orders_period export"
rm "$work/demo.db"
expect 1 "$kavrel" prepare "$work/customers.kv3" -o "$work/x.kw3" 2> "$work/err"
grep -q "Database \"DemoDB\": the file \"$work/demo.db\" does not exist" "$work/err" || fail "missing database message: $(cat "$work/err")"
# Scripts see the data sets and the database with their properties.
printf "begin\n  ShowMessage(Products.FileName);\n  Products.Delimiter := ';';\n  ShowMessage(Products.Delimiter);\nend.\n" > "$work/ds.pas"
expect 0 "$kavrel" script "$work/ds.pas" --report "$work/products.kv3" > "$work/out"
[ "$(tr '\n' ' ' < "$work/out")" = "products.csv ; " ] || fail "script: CSV data set"
printf "begin\n  ShowMessage(DemoDB.DatabaseName);\n  ShowMessage(Orders.SQL.Count);\nend.\n" > "$work/db.pas"
expect 0 "$kavrel" script "$work/db.pas" --report "$work/invoice.kv3" > "$work/out"
[ "$(tr '\n' ' ' < "$work/out")" = "demo.db 3 " ] || fail "script: database and query"
echo "examples: ok"
