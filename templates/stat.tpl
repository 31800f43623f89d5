Name statistics template. Everything above the sort line is a note to
the sysop and does not appear in the report. Keys: NameAsc, NameDsc,
EchoAsc, EchoDsc.
%Sort% NameAsc

            Writers caught in read-only areas, %Period%

>---<
%Num%(R,4). %NameFrom%(L,25) to %NameTo%(L,25) %Size%(R,8) bytes
      in %EchoName% from %Address%
      Subj: %Subj%
>+++<

      %SummMsgs% messages, %SummSize% bytes, %SummAverSize% bytes on average

