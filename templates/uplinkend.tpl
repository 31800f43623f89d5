A read-only rule has expired
Hello %ToName%,

the read-only rule for the area %RoArea% that covered
%RoNameFrom% (%RoAddrFrom%) ran until %RoDateTo% and has expired.
Their messages to %RoArea% pass our system again.

%FromName%, %FromAddr%
