# Prints a dBASE table as python3-dbfread reads it, as JSON: the header's
# record count, lengths and date, and every row (deleted ones marked).
import sys, json, dbfread
table = dbfread.DBF(sys.argv[1], encoding='cp866', char_decode_errors='strict')
h = table.header
rows = []
for deleted, records in ((False, table.records), (True, table.deleted)):
    for r in records:
        rows.append({k: (v.isoformat() if hasattr(v, 'isoformat') else v) for k, v in r.items()}
                    | {'_deleted': deleted})
print(json.dumps({'numrecords': h.numrecords, 'headerlen': h.headerlen, 'recordlen': h.recordlen,
                  'date': table.date.isoformat(), 'rows': rows}, ensure_ascii=True))
