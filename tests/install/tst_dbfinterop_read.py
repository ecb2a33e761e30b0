# Prints the rows of a dBASE table as python3-dbfread reads them, as JSON.
import sys, json, dbfread
out = []
table = dbfread.DBF(sys.argv[1], encoding='cp866', char_decode_errors='strict')
for deleted, records in ((False, table.records), (True, table.deleted)):
    for r in records:
        out.append({k: (v.isoformat() if hasattr(v, 'isoformat') else v) for k, v in r.items()}
                   | {'_deleted': deleted})
print(json.dumps(out, ensure_ascii=True))
