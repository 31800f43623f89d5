Message caught in a read-only area
Hello %UplinkName%,

we caught a message in the read-only area %Area%
(rule %RoNum% of our configuration). It was written by
%FromName%, %FromAddr% on %MsgDateTime%:

%MsgHeader%

%MsgBody%

You may want to check who let it into the area.
