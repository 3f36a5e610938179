#!/usr/bin/env python3
"""Builds examples/demo.db: customers, products, orders and order lines of a small
trading company, generated from a fixed seed so every run gives the same data."""

import random
import sqlite3
import sys
from datetime import date, timedelta
from pathlib import Path

FIRST = ["Anna", "Ben", "Clara", "David", "Elena", "Felix", "Greta", "Hugo", "Ines", "Jonas",
         "Kira", "Lars", "Mara", "Nils", "Olga", "Paul", "Rosa", "Sven", "Tara", "Urs",
         "Vera", "Wim", "Yara", "Zeno"]
LAST = ["Berg", "Costa", "Dahl", "Engel", "Fischer", "Garcia", "Hansen", "Ivanova", "Jensen",
        "Keller", "Lindqvist", "Moreau", "Novak", "Olsen", "Peters", "Quinn", "Rossi",
        "Schmidt", "Torres", "Urban", "Vogel", "Weber", "Young", "Zimmer"]
FIRM = ["Trading", "Supplies", "Foods", "Logistics", "Works", "Market", "Imports", "Partners"]
PLACES = {
    "Germany": ["Berlin", "Hamburg", "Munich", "Cologne"],
    "France": ["Paris", "Lyon", "Marseille"],
    "Italy": ["Milan", "Rome", "Turin"],
    "Spain": ["Madrid", "Barcelona", "Valencia"],
    "Norway": ["Oslo", "Bergen"],
    "Portugal": ["Lisbon", "Porto"],
    "Netherlands": ["Amsterdam", "Utrecht", "Rotterdam"],
}
PRODUCTS = {
    "Beverages": ["Black tea", "Green tea", "Espresso beans", "Apple juice", "Mineral water",
                  "Lemonade", "Cocoa", "Herbal tea"],
    "Bakery": ["Rye bread", "Croissants", "Oat biscuits", "Rusks", "Pretzels", "Ginger cake"],
    "Dairy": ["Gouda", "Feta", "Butter", "Yoghurt", "Mozzarella", "Cream cheese"],
    "Pantry": ["Olive oil", "Basmati rice", "Spaghetti", "Tomato passata", "Honey",
               "Chickpeas", "Sea salt", "Black pepper", "Paprika", "Lentils"],
    "Produce": ["Apples", "Pears", "Potatoes", "Onions", "Carrots", "Lemons"],
    "Household": ["Dish soap", "Paper towels", "Candles", "Matches", "Sponges"],
}
STATUSES = ["shipped"] * 8 + ["open", "cancelled"]


def build(path: Path) -> None:
    rnd = random.Random(20261209)
    path.unlink(missing_ok=True)
    db = sqlite3.connect(path)
    db.executescript("""
        create table customers (id integer primary key, name text not null, contact text,
            city text, country text, email text);
        create table products (id integer primary key, code text not null, name text not null,
            category text not null, unit_price real not null);
        create table orders (id integer primary key, customer_id integer not null
            references customers(id), order_date text not null, status text not null);
        create table order_lines (id integer primary key, order_id integer not null
            references orders(id), product_id integer not null references products(id),
            quantity integer not null, unit_price real not null, discount real not null);
        create index order_lines_order on order_lines(order_id);
        create index orders_customer on orders(customer_id);
    """)
    customers = []
    for cid in range(1, 201):
        country = rnd.choice(sorted(PLACES))
        city = rnd.choice(PLACES[country])
        first, last = rnd.choice(FIRST), rnd.choice(LAST)
        name = f"{last} {rnd.choice(FIRM)}"
        email = f"{first.lower()}.{last.lower()}@example.com"
        customers.append((cid, name, f"{first} {last}", city, country, email))
    db.executemany("insert into customers values (?, ?, ?, ?, ?, ?)", customers)

    products = []
    pid = 0
    for category in sorted(PRODUCTS):
        for name in PRODUCTS[category]:
            pid += 1
            price = round(rnd.uniform(0.8, 24.0), 2)
            products.append((pid, f"{category[:3].upper()}-{pid:03d}", name, category, price))
    db.executemany("insert into products values (?, ?, ?, ?, ?)", products)

    start = date(2025, 1, 1)
    lines = []
    lid = 0
    orders = []
    for oid in range(1, 1501):
        customer = rnd.randint(1, len(customers))
        day = start + timedelta(days=rnd.randint(0, 364))
        orders.append((oid, customer, day.isoformat(), rnd.choice(STATUSES)))
        for product in rnd.sample(products, rnd.randint(1, 6)):
            lid += 1
            discount = rnd.choice([0, 0, 0, 0.05, 0.1])
            lines.append((lid, oid, product[0], rnd.randint(1, 40), product[4], discount))
    db.executemany("insert into orders values (?, ?, ?, ?)", orders)
    db.executemany("insert into order_lines values (?, ?, ?, ?, ?, ?)", lines)
    db.commit()
    db.close()


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("demo.db")
    build(target)
    print(f"{target}: demo database written")
