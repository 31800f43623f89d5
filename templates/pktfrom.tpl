Your packet held a message for a read-only area
Hello,

a packet from your system brought a message for the read-only
area %Area%. It was written by %FromName%, %FromAddr%:

%MsgHeader%

Please do not pass on messages to %Area% from this writer.
