%Sort% MsgsDsc

              Messages caught in read-only areas, %Period%

  #  Area                                       Msgs      Bytes Avg/msg   Share
---- ---------------------------------------- ------ ---------- ------- -------
>---<
%Num%(R,3). %EchoName%(L,40) %Msgs%(R,6) %Size%(R,10) %AverSize%(R,7) %Percent%(R,6)%
>+++<
---- ---------------------------------------- ------ ---------- ------- -------
     %SummEcho%(R,3) areas                                %SummMsgs%(R,6) %SummSize%(R,10) %SummAverSize%(R,7) %SummPercent%(R,6)%

