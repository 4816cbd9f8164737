# Schedule-shaped CSV rows for brk load: awk -v n=COUNT -f schedule_rows.awk
# (a header row, then n tasks with fixed-seed random values; half carry a
# message with commas and quotes).
BEGIN {
  srand(7);
  split("Run Program,Display Message,Both,None", tt, ",");
  split("Accounts,Backups,Billing,Cleanup,Compliance,Database,Email,Finance,HR,Inventory,Logistics,Maintenance,Marketing,Network,Payroll,Reports,Sales,Security,Support,Updates", cat, ",");
  split("Once,Day of Week,Day of Month,Monthly,Yearly,Custom", st, ",");
  split("minute(s),hour(s),day(s),week(s),month(s),year(s)", et, ",");
  split("backup,report,invoice,audit,weekly,monthly,server,client,check,update,clean,archive", w, ",");
  print "SCH:ID,SCH:TaskType,SCH:Category,SCH:Description,SCH:Command,SCH:Path,SCH:ScheduleType,SCH:Monday,SCH:Every,SCH:EveryType,SCH:Date,SCH:Time,SCH:Alarm,SCH:AlarmFile,SCH:AdvanceWarnDate,SCH:AdvanceWarned,SCH:Disabled,SCH:Message";
  for (i = 1; i <= n; i++) {
    d = w[int(rand()*12)+1] " " w[int(rand()*12)+1] " " int(rand()*100000);
    msg = (rand() < 0.5) ? "" : "\"Remember, the " w[int(rand()*12)+1] " task \"\"" i "\"\"\"";
    printf "%d,%s,%s,%s,/usr/bin/%s --run %d,/srv/%s,%s,%d,%d,%s,%d,%d,%d,%s,%d,%d,%d,%s\n", i, tt[int(rand()*4)+1], cat[int(rand()*20)+1], d, w[int(rand()*12)+1], i, w[int(rand()*12)+1], st[int(rand()*6)+1], int(rand()*2), int(rand()*30)+1, et[int(rand()*6)+1], 80000+int(rand()*1096), int(rand()*8640000)+1, (rand()<0.2), (rand()<0.2 ? "/snd/alarm.wav" : ""), 80000+int(rand()*1096), (rand()<0.25), (rand()<0.1), msg;
  }
}
