# Writes a dBASE III table with python3-dbf: the file named by the first argument.
import sys, datetime, dbf
t = dbf.Table(sys.argv[1], 'NAME C(20); QTY N(6,0); PRICE N(10,2); OK L; DAY D',
              dbf_type='db3', codepage='cp866')
t.open(dbf.READ_WRITE)
t.append(('Лев №5 ёж', 42, 12.5, True, datetime.date(2024, 3, 15)))
t.append(('  leading', -7, 0.25, False, None))
t.append(("O'Brien", 0, 1234567.89, None, datetime.date(1999, 12, 31)))
dbf.delete(t[1])
t.close()
