You may write in the area again
Hello %ToName%,

the read-only rule for your address %ToAddr% in the area
%RoArea% ran until %RoDateTo% and has now expired.
You may write there again.

%FromName%, %FromAddr%
